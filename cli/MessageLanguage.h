// kestrun's language: Japanese, as Pelcor speaks, for a user whose messages
// are Japanese, and English otherwise (C, C.UTF-8, en_US.UTF-8: what CI logs
// run under). Every text exists in both. Those Pelcor shares (core's, the
// library's result messages) are written in Japanese, and the English
// catalogue (cli/translations/kestrun_en.ts) turns them into English;
// kestrun's own (its messages, notes, usage errors and --help) are written
// in English, and the Japanese catalogue (kestrun_ja.ts) turns them into
// Japanese. A new text goes through QCoreApplication::translate (kestrun's
// own through text() below) and gets the other language in the catalogue
// of the language it is not written in.
#ifndef KESTRUN_CLI_MESSAGE_LANGUAGE_H
#define KESTRUN_CLI_MESSAGE_LANGUAGE_H

#include <QString>

namespace MessageLanguage {

// True when the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set
// and not empty starts with "ja", whether or not the C library has that
// locale.
bool japanese();

// Installs the catalogue of the language: the Japanese one when
// japanese(), else the English one. Call it once, after the application
// object is made and before any message.
void install();

// kestrun's own text `english` (context "kestrun") in the user's language.
QString text(const char *english);

} // namespace MessageLanguage

#endif
