// Printing a rich text box, as both viewers print: the "Partial Print" question when part of the
// text is selected, the print dialog, and the selection or the whole text page by page to the
// printer chosen. A cancelled dialog or a printer that fails ends it without a word.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/forms/forms_win.h"
#include "app/viewers/printing.h"

namespace lw {

// The characters of the box's text in `range`, laid out page by page on the device context: the
// printable area less a margin, each page between pageStart and pageEnd (false from either stops
// the loop). Returns the pages laid out.
int FormatPages(const forms::RichTextBox& box, HDC dc, CharRange range, const std::function<bool()>& pageStart,
                const std::function<bool()>& pageEnd);

// The whole print of the box, the document named by `documentName`. With letEventsRun, pending
// window events run before the document is ended (the text viewer's way).
void PrintRichTextBox(forms::RichTextBox& box, const std::string& documentName, bool letEventsRun);

}  // namespace lw
