#pragma once

#include <QString>
#include <QStringView>

// Text every engine stores and gives back exactly as the program holds it, and that the window
// shows as it will be stored. SQLite reads the program's text as UTF-16: a high surrogate with no
// low one after it takes the next character as its pair (a closing quote mark among them), a low
// one alone is not text, and U+FEFF or U+FFFE at the start of a value is read as a byte-order mark
// (dropped, or the rest read byte-swapped). A NUL ends the text wherever a C string carries it
// (PostgreSQL's values and statements, SQLite's statement text).

// True when the text holds none of these: unpaired surrogates, U+FEFF, U+FFFE, U+0000. A single
// pass that costs one comparison per character for ordinary text.
bool isStorableText(QStringView text);

// The text made storable: each unpaired surrogate becomes U+FFFD (the replacement character),
// U+FEFF, U+FFFE and U+0000 are removed wherever they are. Storable text comes back as it is,
// shared, a null string staying null.
QString storableText(const QString &text);
