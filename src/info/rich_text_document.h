// The notice body between the rich-text codec's document and the editor's QTextDocument: bold,
// italic, underline, point size, colour and font family per run, blocks as paragraphs, line
// separators as line breaks. Qt Gui (no widgets), kept apart from the notice core.
#pragma once

#include "protocol/rtf.h"

class QTextDocument;

namespace vantor::info {

// Replaces the document's content.
void fillDocument(QTextDocument& doc, const protocol::RtfDocument& rtf);
protocol::RtfDocument fromDocument(const QTextDocument& doc);

} // namespace vantor::info
