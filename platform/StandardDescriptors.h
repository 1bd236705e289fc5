#pragma once

// Opens /dev/null on each of standard input, output and error that the program was started
// without (`>&-`). Otherwise the first file the program opens takes that number, and every
// line printed or message written lands in it: the run journal, a CSV file. Called first
// thing in main.
void OpenMissingStandardDescriptors();
