// The shared object is made of the reader library; this file only gives the target a source.
