// Tells the script that started a test program that the program itself is
// running: under Wine a start can fail before any of the program's code runs,
// and only such a start may be tried again.
#ifndef KORIN_TESTS_STARTED_MARK_H
#define KORIN_TESTS_STARTED_MARK_H

// Creates the file KORIN_STARTED_MARK names, when it is set.
void MarkStarted();

#endif
