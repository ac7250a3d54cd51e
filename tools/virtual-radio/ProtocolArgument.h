#pragma once

#include <QString>

// The protocol named on the command line: the stored number ("6") or the
// protocol list's text ("Icom PCR1000"), in any letter case, with or without
// blanks and punctuation and the maker's name ("PCR1000", "pcr-1000", "CI-V",
// "OS456"). Returns the stored number, or -1 when nothing matches.
int ParseProtocolArgument(const QString& argument);

// The list texts, for messages: "AR2700, AR8000, ...".
QString KnownProtocolTexts();
