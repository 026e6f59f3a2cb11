// The control of the main window's active document, for the commands that
// act on it. With no document window open, asking for it raises the error
// the commands' own handling then skips or reports.
#pragma once

class RichTextBox;
class frmDocument;
class frmMain;

frmDocument& activeDocument(const frmMain& main);
RichTextBox& activeRtfText(const frmMain& main);
