<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>kestrun</name>
    <message>
        <source>--to %1: not %2</source>
        <translation>--to %1: %2 のどれでもありません</translation>
    </message>
    <message>
        <source>--input-format %1: not auto, %2</source>
        <translation>--input-format %1: auto、%2 のどれでもありません</translation>
    </message>
    <message>
        <source>--to, --address-size, --vmem-width and --uf2-family are for convert and merge, --fill-byte for convert, crc, merge and cmp</source>
        <translation>--to、--address-size、--vmem-width、--uf2-family は convert と merge の、--fill-byte は convert、crc、merge、cmp のオプションです</translation>
    </message>
    <message>
        <source>convert needs --to %1, or an output name with a known extension</source>
        <translation>convert には --to %1 か、既知の拡張子の出力ファイル名が必要です</translation>
    </message>
    <message>
        <source>--vmem-width %1: not 8, 16, 32 or 64</source>
        <translation>--vmem-width %1: 8、16、32、64 のどれでもありません</translation>
    </message>
    <message>
        <source>--uf2-family %1: not a family name (RP2040, SAMD21, SAMD51, NRF52840, STM32F4, ...) nor a hexadecimal ID from 1 to FFFFFFFF</source>
        <translation>--uf2-family %1: ファミリー名 (RP2040、SAMD21、SAMD51、NRF52840、STM32F4 など) でも 1 から FFFFFFFF の 16 進数の ID でもありません</translation>
    </message>
    <message>
        <source>--vmem-width is for VMEM output</source>
        <translation>--vmem-width は VMEM 出力のオプションです</translation>
    </message>
    <message>
        <source>--uf2-family is for UF2 output</source>
        <translation>--uf2-family は UF2 出力のオプションです</translation>
    </message>
    <message>
        <source>--%1 is for convert and merge</source>
        <translation>--%1 は convert と merge のオプションです</translation>
    </message>
    <message>
        <source>the CRC</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>--algorithm %1: no such check; kestrun crc --algorithm list names them</source>
        <translation>--algorithm %1: そのような検査はありません。kestrun crc --algorithm list で一覧を表示できます</translation>
    </message>
    <message>
        <source>the %1 bytes at %2 pass FFFFFFFF</source>
        <translation>%2 からの %1 バイトが FFFFFFFF を超えます</translation>
    </message>
    <message>
        <source>no data to check</source>
        <translation>検査するデータがありません</translation>
    </message>
    <message>
        <source>the CRC at %1 lies within its range %2-%3; give a --range that leaves it out</source>
        <translation>%1 の CRC が検査範囲 %2-%3 の中にあります。CRC を含まない --range を指定してください</translation>
    </message>
    <message>
        <source>convert takes no --start, --end, --auto-range, --from-lowest, --scope, --checksum-only, --base or --settings; its --fill is LOW-HIGH BYTES</source>
        <translation>convert には --start、--end、--auto-range、--from-lowest、--scope、--checksum-only、--base、--settings は指定できません。convert の --fill は LOW-HIGH BYTES です</translation>
    </message>
    <message>
        <source>--from-lowest is for hex2bin and hexdump</source>
        <translation>--from-lowest は hex2bin と hexdump のオプションです</translation>
    </message>
    <message>
        <source>--base is for bin2hex</source>
        <translation>--base は bin2hex のオプションです</translation>
    </message>
    <message>
        <source>--address-records and --start-address are for bin2hex, convert and merge</source>
        <translation>--address-records と --start-address は bin2hex、convert、merge のオプションです</translation>
    </message>
    <message>
        <source>--overlap is for the commands that read HEX text</source>
        <translation>--overlap は HEX テキストを読むコマンドのオプションです</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>標準入力</translation>
    </message>
    <message>
        <source>Try &apos;kestrun --help&apos; for more information.</source>
        <translation>詳しくは &apos;kestrun --help&apos; を実行してください。</translation>
    </message>
    <message>
        <source>cannot read the settings file</source>
        <translation>設定ファイルを読めません</translation>
    </message>
    <message>
        <source>no [Vantrel] section in the settings file</source>
        <translation>設定ファイルに [Vantrel] セクションがありません</translation>
    </message>
    <message>
        <source>conversion failed (%1)</source>
        <translation>変換に失敗しました (%1)</translation>
    </message>
    <message>
        <source>%1-%2 also written by line %3</source>
        <translation>%1-%2 は %3 行目も書いています</translation>
    </message>
    <message>
        <source>%1: warning: %2 (%3 kept)</source>
        <translation>%1: 警告: %2 (%3を残しました)</translation>
    </message>
    <message>
        <source>%1-%2 also written by another segment</source>
        <translation>%1-%2 はほかのセグメントも書いています</translation>
    </message>
    <message>
        <source>the later bytes</source>
        <translation>後のデータ</translation>
    </message>
    <message>
        <source>the earlier bytes</source>
        <translation>先のデータ</translation>
    </message>
    <message>
        <source>%1: warning: %2 more records overwrite other bytes; --overlap error refuses them</source>
        <translation>%1: 警告: ほかに %2 個のレコードが違うデータを上書きしています。--overlap error で拒否できます</translation>
    </message>
    <message>
        <source>kestrun: note: %1 MiB of fill come before the first data byte at %2; --from-lowest starts the image there, as objcopy does</source>
        <translation>kestrun: 注意: 最初のデータ (%2) の前に %1 MiB の埋め草があります。--from-lowest を付けると objcopy と同じくそこから始めます</translation>
    </message>
    <message>
        <source>kestrun: note: no data in %1; %2</source>
        <translation>kestrun: 注意: %1 にはデータがありません。%2</translation>
    </message>
    <message>
        <source>the data lies in </source>
        <translation>データは次の範囲にあります: </translation>
    </message>
    <message>
        <source>the input holds no data</source>
        <translation>入力にデータがありません</translation>
    </message>
    <message>
        <source>standard output</source>
        <translation>標準出力</translation>
    </message>
    <message>
        <source>: out of memory</source>
        <translation>: メモリが足りません</translation>
    </message>
    <message>
        <source>kestrun: note: the data in %1-%2 lies in %3-%4; the rest is read as fill %5</source>
        <translation>kestrun: 注意: %1-%2 のデータは %3-%4 にあります。残りは埋め草 %5 として読みます</translation>
    </message>
    <message>
        <source>%1: no %2-byte value stored at %3</source>
        <translation>%1: %3 に %2 バイトの値がありません</translation>
    </message>
    <message>
        <source>%1: %2 at %3 is %4, but %5-%6 gives %7</source>
        <translation>%1: %3 の %2 は %4 ですが、%5-%6 から計算すると %7 です</translation>
    </message>
    <message>
        <source>--%1 is for %2</source>
        <translation>--%1 は %2 のオプションです</translation>
    </message>
    <message>
        <source>--%1 %2: not a hexadecimal address from 0 to FFFFFFFF</source>
        <translation>--%1 %2: 0 から FFFFFFFF までの 16 進数のアドレスではありません</translation>
    </message>
    <message>
        <source>--range %1: not LOW-HIGH, two hexadecimal addresses</source>
        <translation>--range %1: LOW-HIGH (16 進数のアドレス 2 つ) ではありません</translation>
    </message>
    <message>
        <source>--range %1: the range is the wrong way round</source>
        <translation>--range %1: 範囲が逆です</translation>
    </message>
    <message>
        <source>--endian %1: not little or big</source>
        <translation>--endian %1: little でも big でもありません</translation>
    </message>
    <message>
        <source>--max %1: not a decimal number</source>
        <translation>--max %1: 10 進数ではありません</translation>
    </message>
    <message>
        <source>--poly, --init, --refin, --refout and --xorout need --width</source>
        <translation>--poly、--init、--refin、--refout、--xorout には --width が必要です</translation>
    </message>
    <message>
        <source>--algorithm and --width contradict each other</source>
        <translation>--algorithm と --width は同時に指定できません</translation>
    </message>
    <message>
        <source>--width %1: not a number of bits from 8 to 64</source>
        <translation>--width %1: 8 から 64 までのビット数ではありません</translation>
    </message>
    <message>
        <source>--width needs --poly</source>
        <translation>--width には --poly が必要です</translation>
    </message>
    <message>
        <source>--%1 %2: not a hexadecimal number of %3 bits</source>
        <translation>--%1 %2: %3 ビットの 16 進数ではありません</translation>
    </message>
    <message>
        <source>%1: not a range LOW-HIGH of hexadecimal addresses</source>
        <translation>%1: 16 進数のアドレスの範囲 LOW-HIGH ではありません</translation>
    </message>
    <message>
        <source>%1: the range runs the wrong way (%2 lies above %3)</source>
        <translation>%1: 範囲が逆です (%2 が %3 より上にあります)</translation>
    </message>
    <message>
        <source>%1: not 1 to 256 bytes of hexadecimal digit pairs</source>
        <translation>%1: 1 から 256 バイトの 16 進数 2 桁の並びではありません</translation>
    </message>
    <message>
        <source>%1: not a hexadecimal offset [-]N up to FFFFFFFF</source>
        <translation>%1: FFFFFFFF までの 16 進数のずらし幅 [-]N ではありません</translation>
    </message>
    <message>
        <source>--%1 needs %2</source>
        <translation>--%1 には %2 が必要です</translation>
    </message>
    <message>
        <source>LOW-HIGH BYTES</source>
        <translation>LOW-HIGH BYTES</translation>
    </message>
    <message>
        <source>a value</source>
        <translation>値</translation>
    </message>
    <message>
        <source>%1: an address would leave 00000000-FFFFFFFF</source>
        <translation>%1: アドレスが 00000000-FFFFFFFF の外に出ます</translation>
    </message>
    <message>
        <source>%1: failed (%2)</source>
        <translation>%1: 失敗しました (%2)</translation>
    </message>
    <message>
        <source>convert needs --to ihex|srec|bin|dump, or an output name with a known extension</source>
        <translation>convert には --to ihex|srec|bin|dump か、既知の拡張子の出力ファイル名が必要です</translation>
    </message>
    <message>
        <source>--record-length %1: S-records of this address size hold at most %2 bytes</source>
        <translation>--record-length %1: このアドレス長の S レコードには %2 バイトまでしか入りません</translation>
    </message>
    <message>
        <source>--address-records is for HEX output</source>
        <translation>--address-records は HEX 出力のオプションです</translation>
    </message>
    <message>
        <source>--address-size is for S-record output</source>
        <translation>--address-size は S レコード出力のオプションです</translation>
    </message>
    <message>
        <source>: the image&apos;s addresses do not fit the output&apos;s address records or size</source>
        <translation>: イメージのアドレスが出力のアドレスレコードまたはアドレス長に収まりません</translation>
    </message>
    <message>
        <source>not open (it was closed when kestrun started)</source>
        <translation>開かれていません (kestrun の起動時に閉じられていました)</translation>
    </message>
    <message>
        <source>Usage: kestrun command input... [options]</source>
        <translation>使い方: kestrun コマンド 入力... [オプション]</translation>
    </message>
    <message>
        <source>hex2bin, bin2hex, dump, hexdump, sum, info, convert, merge, crc, cmp or patch.</source>
        <translation>hex2bin、bin2hex、dump、hexdump、sum、info、convert、merge、crc、cmp、patch のどれか。</translation>
    </message>
    <message>
        <source>The input file, or -.</source>
        <translation>入力ファイル、または -。</translation>
    </message>
    <message>
        <source>Converts Intel HEX text and binary images and makes dump reports, as Pelcor does.

Commands:
  hex2bin IN.hex [-o OUT.bin]  HEX text to a binary image (default OUT: IN with .bin)
  bin2hex IN.bin [-o OUT.hex]  binary image to HEX text
  dump IN.bin [-o OUT.txt]     dump report of a binary image
  hexdump IN.hex [-o OUT.txt]  dump report of the image a HEX file describes
  sum IN.bin                   eight-digit byte sum of a binary image
  info IN                      where the data of an image lie, one fact a line
  convert IN -o OUT            any image to Intel HEX, S-records, binary or dump lines
                               (IN: HEX, S-records, ELF, binary; FILE@ADDR: binary at ADDR),
                               the operations --crop, --exclude, --fill, --offset,
                               --insert-length, --serial, --replace in order
                               (also --byte-swap, --split, --unsplit; merge takes them too)
  merge IN... [-o OUT]         the inputs as one image (no overlap unless --overlap),
                               written as convert writes it (HEX without -o)
  crc IN                       the CRC or sum of a range (--algorithm, default crc-32)
  cmp A B                      the images address by address; status 1 when they differ
  patch IN -o OUT|--in-place   bytes changed in HEX or S-record text, only the records
                               that hold them rewritten: --set ADDR=BYTES, --string
                               ADDR=TEXT [--encoding ascii|utf-8|cp932], --fill LOW-HIGH
                               BYTES [--into-gaps] in order, --fix-checksums

IN or OUT "-" is standard input or output; text results go to standard output
when -o is absent. Addresses and bytes are hexadecimal, 0x optional. Reports are
code page 932 text, as Pelcor saves them (on a terminal: UTF-8). Without --start and --end the address range is automatic:
from address 0 (as Pelcor does) or, with --from-lowest, from the lowest data
address (as objcopy does); --start and --end always mean that range.
Exit status: 0 done, 1 conversion failed (cmp: the images differ), 2 usage error
(cmp: also an input that cannot be read).</source>
        <translation>Intel HEX テキストとバイナリイメージを変換し、Pelcor と同じダンプレポートを作ります。

コマンド:
  hex2bin IN.hex [-o OUT.bin]  HEX テキストをバイナリイメージに (OUT の既定: IN の拡張子を .bin に)
  bin2hex IN.bin [-o OUT.hex]  バイナリイメージを HEX テキストに
  dump IN.bin [-o OUT.txt]     バイナリイメージのダンプレポート
  hexdump IN.hex [-o OUT.txt]  HEX ファイルが表すイメージのダンプレポート
  sum IN.bin                   バイナリイメージの 8 桁のバイトサム
  info IN                      イメージのデータのある所を 1 行に 1 項目で
  convert IN -o OUT            どのイメージも Intel HEX、S レコード、バイナリ、ダンプ行に
                               (IN: HEX、S レコード、ELF、バイナリ。FILE@ADDR: ADDR に置くバイナリ)、
                               操作 --crop、--exclude、--fill、--offset、
                               --insert-length、--serial、--replace を指定順に
                               (--byte-swap、--split、--unsplit も。merge でも使えます)
  merge IN... [-o OUT]         入力を 1 つのイメージに (--overlap がなければ重なりは不可)、
                               convert と同じ形式で出力 (-o がなければ HEX)
  crc IN                       範囲の CRC またはサム (--algorithm、既定 crc-32)
  cmp A B                      2 つのイメージをアドレスごとに比較。違えばステータス 1
  patch IN -o OUT|--in-place   HEX または S レコードのテキストのバイトを変え、それを含む
                               レコードだけを書き直す: --set ADDR=BYTES、--string
                               ADDR=TEXT [--encoding ascii|utf-8|cp932]、--fill LOW-HIGH
                               BYTES [--into-gaps] を指定順に、--fix-checksums

IN または OUT の "-" は標準入力または標準出力です。-o がなければテキストの結果は
標準出力に出ます。アドレスとバイトは 16 進数で、0x は省略できます。レポートは
Pelcor が保存するとおりのコードページ 932 のテキストです (端末では UTF-8)。--start と --end がなければアドレス範囲は自動です:
アドレス 0 から (Pelcor と同じ)、または --from-lowest でデータの最下位
アドレスから (objcopy と同じ)。--start と --end は常にその範囲を意味します。
終了ステータス: 0 成功、1 変換の失敗 (cmp: イメージが違う)、2 使い方の誤り
(cmp: 入力を読めない場合も)。</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>コマンドがありません</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>&apos;%1&apos; というコマンドはありません</translation>
    </message>
    <message>
        <source>merge takes one or more input files</source>
        <translation>merge には入力ファイルが 1 つ以上必要です</translation>
    </message>
    <message>
        <source>cmp takes two input files</source>
        <translation>cmp には入力ファイルが 2 つ必要です</translation>
    </message>
    <message>
        <source>%1 takes one input file</source>
        <translation>%1 には入力ファイルが 1 つ必要です</translation>
    </message>
    <message>
        <source>-o needs a file name</source>
        <translation>-o にはファイル名が必要です</translation>
    </message>
    <message>
        <source>--settings needs a file name</source>
        <translation>--settings にはファイル名が必要です</translation>
    </message>
    <message>
        <source>--%1 %2: not a hexadecimal number from %3 to %4</source>
        <translation>--%1 %2: %3 から %4 までの 16 進数ではありません</translation>
    </message>
    <message>
        <source>--line-end %1: not crlf, cr or lf</source>
        <translation>--line-end %1: crlf、cr、lf のどれでもありません</translation>
    </message>
    <message>
        <source>--auto-range and --start or --end contradict each other</source>
        <translation>--auto-range と --start や --end は同時に指定できません</translation>
    </message>
    <message>
        <source>--from-lowest and --start or --end contradict each other</source>
        <translation>--from-lowest と --start や --end は同時に指定できません</translation>
    </message>
    <message>
        <source>--start %1 lies beyond --end %2</source>
        <translation>--start %1 が --end %2 より後ろにあります</translation>
    </message>
    <message>
        <source>--base %1: not a hexadecimal number from 0 to FFFFFFFF</source>
        <translation>--base %1: 0 から FFFFFFFF までの 16 進数ではありません</translation>
    </message>
    <message>
        <source>--start-address %1: not a hexadecimal number from 0 to FFFFFFFF</source>
        <translation>--start-address %1: 0 から FFFFFFFF までの 16 進数ではありません</translation>
    </message>
    <message>
        <source>--address-records %1: not auto, none, 02 or 04</source>
        <translation>--address-records %1: auto、none、02、04 のどれでもありません</translation>
    </message>
    <message>
        <source>--overlap %1: not last, first, identical or error</source>
        <translation>--overlap %1: last、first、identical、error のどれでもありません</translation>
    </message>
    <message>
        <source>--to %1: not ihex, srec, bin or dump</source>
        <translation>--to %1: ihex、srec、bin、dump のどれでもありません</translation>
    </message>
    <message>
        <source>--input-format %1: not auto, ihex, srec, elf or bin</source>
        <translation>--input-format %1: auto、ihex、srec、elf、bin のどれでもありません</translation>
    </message>
    <message>
        <source>--address-size %1: not auto, s19, s28 or s37</source>
        <translation>--address-size %1: auto、s19、s28、s37 のどれでもありません</translation>
    </message>
    <message>
        <source>--fill-byte %1: not a hexadecimal number from 0 to FF</source>
        <translation>--fill-byte %1: 0 から FF までの 16 進数ではありません</translation>
    </message>
    <message>
        <source>--%1 is for convert</source>
        <translation>--%1 は convert のオプションです</translation>
    </message>
    <message>
        <source>--%1 is for patch</source>
        <translation>--%1 は patch のオプションです</translation>
    </message>
    <message>
        <source>--input-format is for convert, info, merge, crc and cmp</source>
        <translation>--input-format は convert、info、merge、crc、cmp のオプションです</translation>
    </message>
    <message>
        <source>--to and --address-size are for convert and merge, --fill-byte for convert, crc, merge and cmp</source>
        <translation>--to と --address-size は convert と merge の、--fill-byte は convert、crc、merge、cmp のオプションです</translation>
    </message>
</context>
<context>
    <name>options</name>
    <message>
        <source>A CRC of your own: its bits, 8 to 64 (decimal); with --poly, --init, --refin, --refout, --xorout. After --insert-length or --serial: the value&apos;s bytes.</source>
        <translation>独自の CRC のビット数 8 から 64 (10 進数)。--poly、--init、--refin、--refout、--xorout と共に使う。--insert-length か --serial の後では値のバイト数。</translation>
    </message>
    <message>
        <source>--insert-crc, --verify-crc, and after --insert-length or --serial: byte order of the stored value (default little; a digest keeps its own).</source>
        <translation>--insert-crc、--verify-crc、および --insert-length か --serial の後: 値のバイト順 (既定 little。ダイジェストは自身の順)。</translation>
    </message>
    <message>
        <source>convert, merge: bits a VMEM word (default 32); a word data fills only in part gets the fill byte in the rest.</source>
        <translation>convert、merge: VMEM の語のビット数 (既定 32)。データが一部しか埋めない語の残りは埋めるバイト。</translation>
    </message>
    <message>
        <source>convert, merge: the family of every UF2 block, by name (RP2040, SAMD21, SAMD51, NRF52840, STM32F4, ...) or hexadecimal ID (default none).</source>
        <translation>convert、merge: すべての UF2 ブロックのファミリー。名前 (RP2040、SAMD21、SAMD51、NRF52840、STM32F4 など) か 16 進数の ID (既定はなし)。</translation>
    </message>
    <message>
        <source>convert, merge: reverses the bytes of each aligned word of 2, 4 or 8 bytes.</source>
        <translation>convert、merge: 境界に揃った 2、4、8 バイトの語ごとにバイトの順を逆にする。</translation>
    </message>
    <message>
        <source>convert, merge: of every MULTIPLE bytes keeps the WIDTH (default 1) at OFFSET, closed up: one of interleaved memories.</source>
        <translation>convert、merge: MULTIPLE バイトごとに OFFSET の WIDTH バイト (既定 1) を詰めて残す。交互に並ぶメモリの一つ。</translation>
    </message>
    <message>
        <source>convert, merge: puts such a lane back, each WIDTH bytes at OFFSET of every MULTIPLE.</source>
        <translation>convert、merge: その列を元に戻す。WIDTH バイトずつ MULTIPLE ごとの OFFSET に置く。</translation>
    </message>
    <message>
        <source>convert: writes the length in bytes of the data outside it at ADDR (srec_cat&apos;s -Exclusive_Length); --width 1|2|4 (default 4) and --endian may follow.</source>
        <translation>convert: ADDR に自身以外のデータの長さ (バイト数) を書く (srec_cat の -Exclusive_Length)。後に --width 1|2|4 (既定 4) と --endian を指定できる。</translation>
    </message>
    <message>
        <source>convert: writes image i&apos;s number FIRST + (i - 1) * STEP (hexadecimal, STEP 1 unless given) at ADDR; --width 1-8 (default 4), --endian and --count N (default 1; above 1, -o names a pattern with %u or %0Nu, the image&apos;s number) may follow.</source>
        <translation>convert: i 番目の画像の番号 FIRST + (i - 1) * STEP (16 進数、STEP は既定 1) を ADDR に書く。後に --width 1-8 (既定 4)、--endian、--count N (既定 1。2 以上では -o に画像の番号 %u か %0Nu の入った名前) を指定できる。</translation>
    </message>
    <message>
        <source>After --serial: the images made, decimal.</source>
        <translation>--serial の後に: 作る画像の数 (10 進数)。</translation>
    </message>
    <message>
        <source>convert: writes REPLACE over every occurrence of FIND in the data (hexadecimal bytes of one length) and says how many.</source>
        <translation>convert: データ中の FIND をすべて REPLACE で置き換え (同じ長さの 16 進数のバイト列)、その数を示す。</translation>
    </message>
    <message>
        <source>crc, --insert-crc: the addresses checked (gaps read as --fill-byte); default: the lowest to the highest data address, without the CRC&apos;s own bytes.</source>
        <translation>crc、--insert-crc: 検査するアドレス (データのない所は --fill-byte として読む)。既定: データの最下位から最上位のアドレスまで、CRC 自身のバイトを除く。</translation>
    </message>
    <message>
        <source>crc, --insert-crc: the check, crc-32 unless given; kestrun crc --algorithm list names them.</source>
        <translation>crc、--insert-crc: 検査の種類。既定は crc-32。kestrun crc --algorithm list で一覧を表示。</translation>
    </message>
    <message>
        <source>A CRC of your own: its bits, 8 to 64 (decimal); with --poly, --init, --refin, --refout, --xorout.</source>
        <translation>独自の CRC: そのビット数、8 から 64 (10 進数)。--poly、--init、--refin、--refout、--xorout と共に指定。</translation>
    </message>
    <message>
        <source>With --width: the polynomial, unreflected.</source>
        <translation>--width と共に: 多項式 (反転しない形)。</translation>
    </message>
    <message>
        <source>With --width: the initial value (default 0).</source>
        <translation>--width と共に: 初期値 (既定 0)。</translation>
    </message>
    <message>
        <source>With --width: bytes go in least significant bit first.</source>
        <translation>--width と共に: バイトを最下位ビットから入れる。</translation>
    </message>
    <message>
        <source>With --width: the result is reflected.</source>
        <translation>--width と共に: 結果を反転する。</translation>
    </message>
    <message>
        <source>With --width: XORed into the result (default 0).</source>
        <translation>--width と共に: 結果に XOR する値 (既定 0)。</translation>
    </message>
    <message>
        <source>merge, convert: writes the check&apos;s value at ADDR, outside its range.</source>
        <translation>merge、convert: 検査値を検査範囲の外の ADDR に書く。</translation>
    </message>
    <message>
        <source>crc: compares the value stored at ADDR; exit status 1 when it differs.</source>
        <translation>crc: ADDR にある値と比べる。違えば終了ステータス 1。</translation>
    </message>
    <message>
        <source>--insert-crc, --verify-crc: byte order of the stored value (default little).</source>
        <translation>--insert-crc、--verify-crc: 値のバイト順 (既定 little)。</translation>
    </message>
    <message>
        <source>cmp: lists at most N differences (default 20).</source>
        <translation>cmp: 違いを最大 N 個まで表示 (既定 20)。</translation>
    </message>
    <message>
        <source>info: the facts as one JSON object, with each range&apos;s CRC-32, the fill ratio and the overlaps.</source>
        <translation>info: 結果を 1 つの JSON オブジェクトで、範囲ごとの CRC-32、データの割合、重なりと共に出力。</translation>
    </message>
    <message>
        <source>Shows this help.</source>
        <translation>このヘルプを表示する。</translation>
    </message>
    <message>
        <source>Shows the program&apos;s and the library&apos;s versions.</source>
        <translation>プログラムとライブラリのバージョンを表示する。</translation>
    </message>
    <message>
        <source>Writes the result to FILE.</source>
        <translation>結果を FILE に書く。</translation>
    </message>
    <message>
        <source>First address of the range (StartAddress).</source>
        <translation>範囲の最初のアドレス (StartAddress)。</translation>
    </message>
    <message>
        <source>Last address of the range (EndAddress).</source>
        <translation>範囲の最後のアドレス (EndAddress)。</translation>
    </message>
    <message>
        <source>Finds the range itself, whatever --settings says.</source>
        <translation>--settings の内容にかかわらず範囲を自動で決める。</translation>
    </message>
    <message>
        <source>Byte where no data lies, 0 to FF (BlankChar). convert: --fill LOW-HIGH BYTES writes BYTES (a byte or a pattern) over and over into the gaps of that range.</source>
        <translation>データのない所のバイト、0 から FF (BlankChar)。convert: --fill LOW-HIGH BYTES はその範囲のすき間に BYTES (1 バイトまたはパターン) を繰り返し書く。</translation>
    </message>
    <message>
        <source>Data bytes per HEX record, 1 to FF (RecordLength).</source>
        <translation>HEX レコード 1 つのデータのバイト数、1 から FF (RecordLength)。</translation>
    </message>
    <message>
        <source>Line end of HEX text and reports (NewLine).</source>
        <translation>HEX テキストとレポートの改行 (NewLine)。</translation>
    </message>
    <message>
        <source>Reports the checksum without dump lines (NoDump).</source>
        <translation>ダンプ行なしでチェックサムだけを出力する (NoDump)。</translation>
    </message>
    <message>
        <source>First guess of the output size, times the input&apos;s, 1 or more (Scope); outputs grow as they need.</source>
        <translation>出力の大きさの最初の見積もり、入力の何倍か、1 以上 (Scope)。出力は必要に応じて大きくなる。</translation>
    </message>
    <message>
        <source>hex2bin, hexdump: the range runs from the lowest to the highest data address (objcopy&apos;s image).</source>
        <translation>hex2bin、hexdump: 範囲をデータの最下位から最上位のアドレスまでにする (objcopy のイメージ)。</translation>
    </message>
    <message>
        <source>bin2hex: the HEX address of the first byte; extended linear address records as needed.</source>
        <translation>bin2hex: 最初のバイトの HEX アドレス。必要に応じて拡張リニアアドレスレコードを書く。</translation>
    </message>
    <message>
        <source>bin2hex: extended address records: auto (02 below 1 MiB, then 04; 04 with --base), none, 02 or 04.</source>
        <translation>bin2hex: 拡張アドレスレコード: auto (1 MiB 未満は 02、その先は 04。--base があれば 04)、none、02、04。</translation>
    </message>
    <message>
        <source>bin2hex, convert, merge: writes a start linear address record (05) of ADDR. merge: or keeps the first (default, with a note when another input&apos;s differs) or last input&apos;s start address, or none.</source>
        <translation>bin2hex、convert、merge: ADDR のスタートリニアアドレスレコード (05) を書く。merge: または最初の入力 (既定。ほかの入力のものが違えば注意を表示) か最後の入力のスタートアドレスを残す。none なら書かない。</translation>
    </message>
    <message>
        <source>HEX input: records that write an address twice with other bytes: last (the later win, with a warning), first, identical (only equal bytes may overlap) or error (no overlap at all).</source>
        <translation>HEX 入力: 同じアドレスに違うデータを書くレコードの扱い: last (後のデータを使い、警告する)、first、identical (同じデータだけ重なってよい)、error (重なりを許さない)。</translation>
    </message>
    <message>
        <source>convert, merge: the output format, ihex, srec, bin, dump, ti-txt, vmem, c-array or uf2 (else from the output&apos;s extension: .hex .ihex .ihx, .srec .s19 .s28 .s37 .mot, .bin, .txt, .mem .vmem, .uf2, .c).</source>
        <translation>convert、merge: 出力の形式 ihex、srec、bin、dump、ti-txt、vmem、c-array、uf2 (なければ出力の拡張子から: .hex .ihex .ihx、.srec .s19 .s28 .s37 .mot、.bin、.txt、.mem .vmem、.uf2、.c)。</translation>
    </message>
    <message>
        <source>convert, info, merge, crc, cmp: the inputs&apos; format, auto, ihex, srec, elf, bin, ti-txt, vmem or uf2, instead of finding it from the content.</source>
        <translation>convert、info、merge、crc、cmp: 内容から判断する代わりに指定する入力の形式 (auto、ihex、srec、elf、bin、ti-txt、vmem、uf2)。</translation>
    </message>
    <message>
        <source>convert, merge: S-record addresses of 16, 24 or 32 bits, or the smallest that holds the highest address (auto).</source>
        <translation>convert、merge: S レコードのアドレスを 16、24、32 ビットにするか、最上位のアドレスが入る最小のもの (auto) にする。</translation>
    </message>
    <message>
        <source>convert, merge: the byte of the gaps in binary and dump output, 0 to FF (default FF); crc, merge: the byte gaps read as in a check (FF); cmp: a gap equals this byte (default: a gap equals nothing).</source>
        <translation>convert、merge: バイナリ出力とダンプ出力のすき間のバイト、0 から FF (既定 FF)。crc、merge: 検査ですき間を読むときのバイト (FF)。cmp: すき間をこのバイトと等しいとみなす (既定: すき間はどれとも等しくない)。</translation>
    </message>
    <message>
        <source>convert: keeps only the data of LOW-HIGH.</source>
        <translation>convert: LOW-HIGH のデータだけを残す。</translation>
    </message>
    <message>
        <source>convert: drops the data of LOW-HIGH (repeatable).</source>
        <translation>convert: LOW-HIGH のデータを捨てる (繰り返し指定可)。</translation>
    </message>
    <message>
        <source>convert: moves the data by N (hexadecimal, - for down); refused when an address would leave 32 bits.</source>
        <translation>convert: データを N (16 進数、- で下へ) だけ動かす。アドレスが 32 ビットを外れるときは拒否する。</translation>
    </message>
    <message>
        <source>patch: writes the hex BYTES at ADDR.</source>
        <translation>patch: 16 進数の BYTES を ADDR に書く。</translation>
    </message>
    <message>
        <source>patch: writes the text&apos;s bytes (no NUL) at ADDR.</source>
        <translation>patch: テキストのバイト (NUL なし) を ADDR に書く。</translation>
    </message>
    <message>
        <source>patch: after --string, how its text is written (default ascii).</source>
        <translation>patch: --string の後に、そのテキストの書き方 (既定 ascii)。</translation>
    </message>
    <message>
        <source>patch: after --fill LOW-HIGH BYTES, fills the gaps too (else only the data there).</source>
        <translation>patch: すき間も埋める (--fill LOW-HIGH BYTES の後に指定。なければそこにあるデータだけ)。</translation>
    </message>
    <message>
        <source>patch: makes every wrong checksum right, naming each line.</source>
        <translation>patch: 間違ったチェックサムをすべて直し、その行を示す。</translation>
    </message>
    <message>
        <source>patch: replaces IN (atomically, no backup) instead of -o.</source>
        <translation>patch: -o の代わりに IN を置き換える (一度に、控えなし)。</translation>
    </message>
    <message>
        <source>Waits until the output is on the disk before it replaces the old file (fdatasync); without it the system writes it back later, as for objcopy.</source>
        <translation>出力がディスクに書かれるのを待ってから元のファイルと置き換える (fdatasync)。指定しなければ objcopy と同じくシステムが後で書き出す。</translation>
    </message>
    <message>
        <source>Takes the settings from a Pelcor.ini; options win.
Without it: Pelcor&apos;s defaults, no file.</source>
        <translation>Pelcor.ini から設定を読む。オプションが優先する。
指定しなければ Pelcor の既定値を使い、ファイルは読まない。</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>&apos;%1&apos; というオプションはありません。</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>不明なオプションです: %1。</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>&apos;%1&apos; の後に値がありません。</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>&apos;%1&apos; には値を指定できません。</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>オプション:</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>引数:</translation>
    </message>
</context>
</TS>
