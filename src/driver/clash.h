// Refusing a run whose files coincide: a final source written over its own
// template, a generator program that is also the final source.
#pragma once
#include "driver/options.h"

// 1 when two of the files the run reads or writes are the same file, after
// reporting both roles and names; 0 when every name stands for a file of its own.
int NamesClash(const RunNames &names);
// 1 when a and b name one file: the same path once ".", ".." and symbolic
// links are resolved, or the same device and inode.
int SameFile(const std::string &a, const std::string &b);
