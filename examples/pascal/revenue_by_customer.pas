{ Sums the total column of an orders file per customer, from the header line
  to the first empty line, and prints the customers by revenue.

      revenue_by_customer FILE

  Delphi syntax; builds with Delphi or with Free Pascal (fpc). The
  declarations are those of a Windows host: stdcall, which is what the
  32-bit DLL uses and what 64-bit Windows and Linux ignore. }
program revenue_by_customer;

{$ifdef FPC}{$mode delphi}{$endif}
{$H+}

uses
  SysUtils;

const
  MAX_LINE_LENGTH = 1024;
  HFILE_ERROR = -1;
{$ifdef MSWINDOWS}
  LintrowLibrary = 'Lintrow.dll';
{$else}
  LintrowLibrary = 'Lintrow';
{$endif}

{ The slot is the address of the host's pointer to a buffer of maxlen + 1 bytes. }
function PrepareFile(path: PAnsiChar): Integer; stdcall; external LintrowLibrary name 'PrepareFile';
procedure SetDelim(delimiter: PAnsiChar); stdcall; external LintrowLibrary name 'SetDelim';
function CloseFile: Integer; stdcall; external LintrowLibrary name 'CloseFile';
function Fields: Integer; stdcall; external LintrowLibrary name 'Fields';
function Pos: Integer; stdcall; external LintrowLibrary name 'Pos';
function NextLine: Integer; stdcall; external LintrowLibrary name 'NextLine';
function GetLine(slot: PPAnsiChar; maxlen: Integer): Integer; stdcall; external LintrowLibrary name 'GetLine';
function CurrentRecord(slot: PPAnsiChar; maxlen: Integer): Integer; stdcall; external LintrowLibrary name 'CurrentRecord';
function GetField(index: Integer; slot: PPAnsiChar; maxlen: Integer): Integer; stdcall; external LintrowLibrary name 'GetField';
function SkipToLine(prefix1, prefix2: PAnsiChar; slot: PPAnsiChar; maxlen: Integer): Integer; stdcall; external LintrowLibrary name 'SkipToLine';

type
  TFields = array of AnsiString;
  TCustomer = record
    Name: AnsiString;
    Revenue: Double;
  end;

var
  Buffer: array[0..MAX_LINE_LENGTH] of AnsiChar;

{ The fields of the piece just scanned. }
function PieceFields: TFields;
var
  Index, Length: Integer;
  Slot: PAnsiChar;
begin
  Result := nil;
  SetLength(Result, Fields);
  for Index := 1 to High(Result) + 1 do
  begin
    Slot := @Buffer[0];
    Length := GetField(Index, @Slot, MAX_LINE_LENGTH);
    SetString(Result[Index - 1], PAnsiChar(@Buffer[0]), Length);
  end;
end;

{ The fields of the next whole line; False at the end of the file or an empty
  line. A line longer than MAX_LINE_LENGTH comes in pieces: a full piece goes
  on in the next scan, and a 0 from that scan is the end of the long line
  (its line feed), not an empty line. }
function NextWholeLine(out Row: TFields): Boolean;
var
  Length, Index, Last: Integer;
  More: TFields;
begin
  Length := NextLine;
  Result := Length > 0;
  if not Result then Exit;
  Row := PieceFields;
  while Length = MAX_LINE_LENGTH do
  begin
    Length := NextLine;
    if Length = 0 then Break;
    More := PieceFields;
    Last := High(Row);
    Row[Last] := Row[Last] + More[0];  { a field cut between two pieces }
    SetLength(Row, Last + System.Length(More));
    for Index := 1 to High(More) do Row[Last + Index] := More[Index];
  end;
end;

function Column(const Header: TFields; const Name: AnsiString): Integer;
begin
  for Result := 0 to High(Header) do
    if Header[Result] = Name then Exit;
  raise Exception.Create('no column ' + Name);
end;

procedure Report(const Path: AnsiString);
var
  Header, Row: TFields;
  Customers: array of TCustomer;
  CustomerColumn, TotalColumn, Orders, Index, Found, Code: Integer;
  Amount: Double;
  Swap: TCustomer;
begin
  Customers := nil;
  if PrepareFile(PAnsiChar(Path)) = HFILE_ERROR then
    raise Exception.Create('cannot open ' + Path);
  try
    SetDelim(',');
    repeat
      if not NextWholeLine(Header) then raise Exception.Create('no header line');
    until Header[0] = 'order_id';
    CustomerColumn := Column(Header, 'customer');
    TotalColumn := Column(Header, 'total');
    Orders := 0;
    while NextWholeLine(Row) do
    begin
      if System.Length(Row) < System.Length(Header) then Continue;
      Val(Row[TotalColumn], Amount, Code);  { Val reads '.' whatever the locale }
      if Code <> 0 then Amount := 0;
      Found := -1;
      for Index := 0 to High(Customers) do
        if Customers[Index].Name = Row[CustomerColumn] then Found := Index;
      if Found < 0 then
      begin
        Found := System.Length(Customers);
        SetLength(Customers, Found + 1);
        Customers[Found].Name := Row[CustomerColumn];
        Customers[Found].Revenue := 0;
      end;
      Customers[Found].Revenue := Customers[Found].Revenue + Amount;
      Inc(Orders);
    end;
  finally
    CloseFile;
  end;
  { By revenue, then by name for equal revenue. }
  for Index := 1 to High(Customers) do
  begin
    Swap := Customers[Index];
    Found := Index - 1;
    while (Found >= 0) and ((Customers[Found].Revenue < Swap.Revenue) or
          ((Customers[Found].Revenue = Swap.Revenue) and (Customers[Found].Name > Swap.Name))) do
    begin
      Customers[Found + 1] := Customers[Found];
      Dec(Found);
    end;
    Customers[Found + 1] := Swap;
  end;
  WriteLn(Orders, ' orders');
  for Index := 0 to High(Customers) do
    WriteLn(Format('%-16s %10.2f', [Customers[Index].Name, Customers[Index].Revenue]));
end;

begin
  if ParamCount <> 1 then
  begin
    WriteLn(ErrOutput, 'usage: revenue_by_customer FILE');
    Halt(2);
  end;
  try
    Report(ParamStr(1));
  except
    on Error: Exception do
    begin
      WriteLn(ErrOutput, 'revenue_by_customer: ', Error.Message);
      Halt(1);
    end;
  end;
end.
