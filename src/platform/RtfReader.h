#pragma once
// A small RTF reader for the help texts: turns RTF into a QTextDocument. It renders
// groups, paragraphs and line breaks, bold, italic, underline, font sizes, the colour
// table, tabs, \'hh characters in the document's code page (\ansicpg 1250 and 1252 at
// least), \uN with its fallback characters, and skips destinations it does not render.
// It never crashes, hangs or reads out of bounds, whatever the input.

#include <QByteArray>

class QTextDocument;

namespace platform {

// Replaces the document's content by the rendered RTF.
void ReadRtf(const QByteArray& rtf, QTextDocument& document);

} // namespace platform
