#pragma once
// A small RTF reader for the help texts: turns RTF into a QTextDocument. It renders
// groups, paragraphs and line breaks, bold, italic, underline, font sizes, the colour
// table, tabs, \'hh characters in the document's code page (\ansicpg 1250 and 1252 at
// least), \uN with its fallback characters, and skips destinations it does not render.
// It never crashes, hangs or reads out of bounds, whatever the input, and its time, and
// that of laying out what it made, grows linearly with the input: the text is placed in
// one edit, and a run of more than 256 characters without a blank (no real word is that
// long) gets an invisible break opportunity after every 256 characters. Data that is
// not RTF is shown as plain UTF-8 text, with the same break opportunities.
//
// Fill a document that no viewer shows: one that a viewer lays out is laid out again
// after every piece.

#include <QByteArray>

class QTextDocument;

namespace toolkit {

// Replaces the document's content by the rendered RTF.
void ReadRtf(const QByteArray& rtf, QTextDocument& document);

} // namespace toolkit
