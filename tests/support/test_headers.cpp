// The object that carries the test programs' shared precompiled headers.
