// Ways an S-record text can be wrong, one row each, with what our reader
// says and where: the library's reader tests check the result and place,
// kestrun's tests the FILE:LINE message and that nothing is written. Where
// `peersRefuse` is set, GNU objcopy and srec_cat both refuse the text too;
// the other rows are refused by one peer (srec_cat counts, objcopy sees
// every type and odd line starts) and by us, who read as strictly as the
// stricter of them.
#ifndef KESTRUN_TEST_BAD_SRECORDS_H
#define KESTRUN_TEST_BAD_SRECORDS_H

#include "exports.h"

#include <cstdint>

struct BadSRecord {
    const char *name;
    const char *text;
    int32_t result;
    uint64_t line;
    uint64_t column;
    bool peersRefuse;
};

inline constexpr BadSRecord kBadSRecords[] = {
    {"a bad checksum",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS1130010000102030405060708090A0B0C0D0E0F65\nS9030000FC\n",
     ResultChecksumError, 2, 41, true},
    {"a character that is no hex digit",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS11300100001020304050G0708090A0B0C0D0E0F64\nS9030000FC\n",
     ResultNotSRecord, 2, 22, true},
    {"a line shorter than its count",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS11300100001020304050607\nS9030000FC\n",
     ResultNotSRecord, 2, 25, true},
    {"a digit pair after the checksum",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS1130010000102030405060708090A0B0C0D0E0F6400\nS9030000FC\n",
     ResultNotSRecord, 2, 43, true},
    {"a lone digit after the checksum",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS1130010000102030405060708090A0B0C0D0E0F640\nS9030000FC\n",
     ResultNotSRecord, 2, 43, true},
    {"a space after the checksum",
     "S1130000000102030405060708090A0B0C0D0E0F74 \nS9030000FC\n",
     ResultNotSRecord, 1, 43, true},
    {"a count too small for the address",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS10200FD\nS9030000FC\n",
     ResultNotSRecord, 2, 3, true},
    {"a line without the S",
     "S1130000000102030405060708090A0B0C0D0E0F74\nX1130010000102030405060708090A0B0C0D0E0F64\nS9030000FC\n",
     ResultNotSRecord, 2, 1, false},
    {"the reserved type S4",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS4030000FC\nS9030000FC\n",
     ResultNotSRecord, 2, 2, false},
    {"a count record that counts two of one",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS5030002FA\nS9030000FC\n",
     ResultRecordCount, 2, 5, false},
    {"a count record with data",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS504000100FA\nS9030000FC\n",
     ResultNotSRecord, 2, 9, false},
    {"a termination record with data",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS9040000AA51\n",
     ResultNotSRecord, 2, 9, false},
    {"a termination record's bad checksum",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS9030000FB\n",
     ResultChecksumError, 2, 9, true},
    {"data that pass address FFFFFFFF",
     "S307FFFFFFFF0102F9\nS70500000000FA\n",
     ResultAddressFault, 1, 5, false},
    {"a record cut short by the end of the text",
     "S1130000000102030405060708090A0B0C0D0E0F74\nS1130010000102030405060708090A",
     ResultNotSRecord, 2, 31, true},
};

#endif
