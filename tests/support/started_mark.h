// Tells the script that started a test program that the program itself is
// running, and then how it ended: under Wine a start can fail before any of
// the program's code runs, and Wine's own process can crash while it tears
// down a program that has already returned its result.
#ifndef KORIN_TESTS_STARTED_MARK_H
#define KORIN_TESTS_STARTED_MARK_H

// Creates the file KORIN_STARTED_MARK names, when it is set.
void MarkStarted();

// Writes "ended STATUS" into that file, once the tests have their result.
void MarkEnded(int status);

#endif
