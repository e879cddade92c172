// kestrun's language: Japanese, as Pelcor speaks, for a user whose messages
// are Japanese, and English otherwise (C, C.UTF-8, en_US.UTF-8: what CI logs
// run under). The messages are written in Japanese where Pelcor shares them
// (core's, the library's result messages), in English where they are
// kestrun's own; the English catalogue built into the program
// (cli/translations/kestrun_en.ts, contexts ConversionPlan, HexErrorLine and
// KestrunResult) turns the Japanese ones into English. A new Japanese text
// that kestrun prints goes through QCoreApplication::translate and gets its
// English in that catalogue.
#ifndef KESTRUN_CLI_MESSAGE_LANGUAGE_H
#define KESTRUN_CLI_MESSAGE_LANGUAGE_H

namespace MessageLanguage {

// True when the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set
// and not empty starts with "ja", whether or not the C library has that
// locale.
bool japanese();

// Installs the English catalogue unless japanese(); call it once, after
// the application object is made and before any message.
void install();

} // namespace MessageLanguage

#endif
