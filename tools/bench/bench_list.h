// Figures of listing one large mail folder: the reader alone reading its
// item records, and (in the Windows program) the item list filled from it.
#pragma once
#include <string>

// Makes a Unicode store with one folder "Big" of `count` mails in the
// temporary folder; returns its path, or an empty text on failure.
std::string MakeListBenchStore(int count);
// Loads the store and reads every record of "Big" as the item list does;
// prints the figure.
void RunListReadBench(const std::string& path);
// Lists "Big" in the program's frame and prints the time (Windows program
// only; elsewhere it says it cannot).
void RunListFillBench(const std::string& path);
