// The configuration file "compiler.cfg": one section per compiler, which
// replaces the compiler settings it names.
#pragma once

extern int ConfigRead; // 1 once a compiler.cfg was opened and read

// Reads the section of "compiler.cfg" in the working directory that belongs to compiler
// (name heads the section of a NAMED compiler); settings it does not name keep their values.
// 0, after the report, when the run cannot go on with that compiler (status 1).
int processCFG(int compiler, const char *name);
// 1 if every character of s is a decimal digit (the empty string too), else 0.
int IsNumeric(const char *s);
