// Counts the orders of an orders file by status and city, from the header
// line to the first empty line.
//
//     mono OrderStatus.exe FILE
//
// The declarations are those a Windows .NET host uses: on 32-bit Windows the
// library's functions are stdcall, and the 64-bit and Linux runtimes ignore
// the calling convention. The runtime finds Lintrow.dll, or libLintrow.so on
// Linux, on its usual search path.
using System;
using System.Collections.Generic;
using System.Linq;
using System.Runtime.InteropServices;
using System.Text;

static class Lintrow
{
    public const int MaxLineLength = 1024;
    public const int HfileError = -1;
    const string Library = "Lintrow";
    const CallingConvention Call = CallingConvention.StdCall;

    // A path or delimiter goes in as bytes in the host's code page (UTF-8 here).
    [DllImport(Library, CallingConvention = Call, CharSet = CharSet.Ansi, BestFitMapping = false)]
    public static extern int PrepareFile(string path);
    [DllImport(Library, CallingConvention = Call, CharSet = CharSet.Ansi, BestFitMapping = false)]
    public static extern void SetDelim(string delimiter);
    [DllImport(Library, CallingConvention = Call)]
    public static extern int CloseFile();
    [DllImport(Library, CallingConvention = Call)]
    public static extern int Fields();
    [DllImport(Library, CallingConvention = Call)]
    public static extern int Pos();
    [DllImport(Library, CallingConvention = Call)]
    public static extern int NextLine();
    // The slot is the address of the host's pointer to its buffer of maxlen + 1 bytes.
    [DllImport(Library, CallingConvention = Call)]
    public static extern int GetLine(ref IntPtr slot, int maxlen);
    [DllImport(Library, CallingConvention = Call)]
    public static extern int CurrentRecord(ref IntPtr slot, int maxlen);
    [DllImport(Library, CallingConvention = Call)]
    public static extern int GetField(int index, ref IntPtr slot, int maxlen);
    [DllImport(Library, CallingConvention = Call, CharSet = CharSet.Ansi, BestFitMapping = false)]
    public static extern int SkipToLine(string prefix1, string prefix2, ref IntPtr slot, int maxlen);
}

// The one open file, with an unmanaged buffer the library copies into.
sealed class OrdersFile : IDisposable
{
    IntPtr buffer = Marshal.AllocHGlobal(Lintrow.MaxLineLength + 1);
    readonly byte[] bytes = new byte[Lintrow.MaxLineLength];

    public OrdersFile(string path)
    {
        if (Lintrow.PrepareFile(path) == Lintrow.HfileError)
        {
            Marshal.FreeHGlobal(buffer);
            throw new System.IO.FileNotFoundException("cannot open " + path);
        }
        Lintrow.SetDelim(",");
    }

    public void Dispose()
    {
        Lintrow.CloseFile();
        Marshal.FreeHGlobal(buffer);
        buffer = IntPtr.Zero;
    }

    // The fields of the next whole line; null at the end of the file or an
    // empty line. A line longer than MaxLineLength comes in pieces: a full
    // piece goes on in the next scan, and a 0 from that scan is the end of
    // the long line (its line feed), not an empty line. The pieces are joined
    // as bytes and the line decoded once, so a character cut between two
    // pieces comes back whole.
    public List<string> NextLine()
    {
        int length = Lintrow.NextLine();
        if (length == 0) return null;
        var line = new List<byte>();
        AddPiece(line, length);
        while (length == Lintrow.MaxLineLength && (length = Lintrow.NextLine()) > 0) AddPiece(line, length);
        return Encoding.UTF8.GetString(line.ToArray()).Split(',').ToList();
    }

    void AddPiece(List<byte> line, int length)
    {
        IntPtr slot = buffer;
        Lintrow.CurrentRecord(ref slot, Lintrow.MaxLineLength);
        Marshal.Copy(buffer, bytes, 0, length);
        line.AddRange(new ArraySegment<byte>(bytes, 0, length));
    }
}

static class OrderStatus
{
    static string Counts(SortedDictionary<string, int> counts)
    {
        return string.Join("  ", counts.Select(pair => pair.Key + "=" + pair.Value));
    }

    static void Add(SortedDictionary<string, int> counts, string key)
    {
        int count;
        counts.TryGetValue(key, out count);
        counts[key] = count + 1;
    }

    static int Main(string[] arguments)
    {
        if (arguments.Length != 1)
        {
            Console.Error.WriteLine("usage: OrderStatus.exe FILE");
            return 2;
        }
        try
        {
            using (var file = new OrdersFile(arguments[0]))
            {
                List<string> header;
                while ((header = file.NextLine()) != null && header[0] != "order_id") { }
                if (header == null) throw new InvalidOperationException("no header line");
                int status = header.IndexOf("status"), city = header.IndexOf("city");
                var byStatus = new SortedDictionary<string, int>(StringComparer.Ordinal);
                var byCity = new SortedDictionary<string, int>(StringComparer.Ordinal);
                List<string> row;
                while ((row = file.NextLine()) != null)
                {
                    if (row.Count < header.Count) continue;
                    Add(byStatus, row[status]);
                    Add(byCity, row[city]);
                }
                Console.WriteLine("status    " + Counts(byStatus));
                Console.WriteLine("city      " + Counts(byCity));
            }
        }
        catch (Exception error)
        {
            Console.Error.WriteLine("OrderStatus: " + error.Message);
            return 1;
        }
        return 0;
    }
}
