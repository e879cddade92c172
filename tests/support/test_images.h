// Inputs for the kestrun tests, made on the spot so that every run sees
// the same bytes without fixtures of megabytes.
#ifndef KESTRUN_TEST_IMAGES_H
#define KESTRUN_TEST_IMAGES_H

#include <QByteArray>
#include <QList>

#include <cstdint>

// `size` bytes of every value: runs of erased flash (FF), printable text
// and noise, from a fixed seed.
QByteArray sampleImage(qsizetype size, std::uint32_t seed);

// One Intel HEX record of `type` at the 16-bit `address`, without a line end.
QByteArray hexRecord(std::uint8_t type, std::uint16_t address, const QByteArray &data);

// HEX text of `records` (a line each), closed by the end record, all lines
// ended by `lineEnd`.
QByteArray hexText(const QList<QByteArray> &records, const QByteArray &lineEnd = "\r\n");

// `image` as HEX text of 16-byte records from address 0, with an extended
// linear address record at each 64 KiB.
QByteArray contiguousHex(const QByteArray &image);

// A HEX text of scattered blocks: records out of address order, a gap,
// data above 64 KiB through an extended linear address record.
QByteArray scatteredHex();

#endif
