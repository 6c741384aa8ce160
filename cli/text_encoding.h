// The report and the dialog messages are Shift-JIS (CP932) bytes; a terminal
// wants UTF-8.
#ifndef KORIN_CLI_TEXT_ENCODING_H
#define KORIN_CLI_TEXT_ENCODING_H

#include <string>

// CP932 bytes as UTF-8; false when the bytes are not CP932 text.
bool Cp932ToUtf8(const std::string& cp932, std::string* utf8);

// A file name as the system spells it, in CP932 as the editor would show it;
// false when the name has characters CP932 lacks.
bool PathToCp932(const std::string& path, std::string* cp932);

#endif
