// The convert to indexed dialog (template 112): the open picture mapped onto
// a palette from a file, from the palette window's table, or made from the
// picture, with the dithering and alpha threshold chosen and a preview; OK
// makes the document that indexed picture.
#ifndef KORIN_APP_CONVERT_DIALOG_H
#define KORIN_APP_CONVERT_DIALOG_H

#include <windows.h>

// Runs the dialog over owner; IDOK when the document was converted.
INT_PTR RunConvertDialog(HWND owner);

#endif
