// The object the test programs' precompiled headers are made for.
