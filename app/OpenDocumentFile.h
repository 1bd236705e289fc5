#pragma once

#include <filesystem>

class CDTDoc;
class CPrompt;

// Opens a measurement file as the document's own open does (a file named on the command line,
// Ctrl+O): a file that cannot
// be opened shows "Failed to open document.", one that ends early or holds impossible values
// "Unexpected file format.", and both leave the record as it was and return false. A file
// with a foreign signature has shown "Invalid Format!", leaves the record as it was, and
// counts as opened. A file read whole becomes the document's file name.
bool OpenDocumentFile(CDTDoc& doc, const std::filesystem::path& file, CPrompt& prompt);

// The same open for the file named on the command line: nobody has just chosen that file (a
// file manager started the program with it), so each message about it names it on a line of
// its own below the message.
bool OpenDocumentFileAtStart(CDTDoc& doc, const std::filesystem::path& file, CPrompt& prompt);
