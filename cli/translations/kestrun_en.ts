<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ConversionPlan</name>
    <message>
        <source>ｽﾀｰﾄｱﾄﾞﾚｽ</source>
        <translation>start address</translation>
    </message>
    <message>
        <source>ｴﾝﾄﾞｱﾄﾞﾚｽ</source>
        <translation>end address</translation>
    </message>
    <message>
        <source>ﾌﾞﾗﾝｸ値</source>
        <translation>fill byte</translation>
    </message>
    <message>
        <source>最大ﾃﾞｰﾀ長</source>
        <translation>record length</translation>
    </message>
    <message>
        <source>領域確保の倍率</source>
        <translation>buffer scope</translation>
    </message>
    <message>
        <source>ダンプ設定の値が正しくありません: </source>
        <translation>a dump setting is not valid: </translation>
    </message>
    <message>
        <source>アドレス範囲が逆です: %1 (ｽﾀｰﾄｱﾄﾞﾚｽ) が %2 (ｴﾝﾄﾞｱﾄﾞﾚｽ) より後ろにあります</source>
        <translation>the address range runs backwards: %1 (start address) lies beyond %2 (end address)</translation>
    </message>
    <message>
        <source>アドレス範囲 %1 - %2 にはデータがありません (データは %3 バイトです)</source>
        <translation>no data in the address range %1 - %2 (the data are %3 bytes)</translation>
    </message>
    <message>
        <source>アドレスが 32 ビットを超えます: %1 から %2 バイト</source>
        <translation>addresses pass 32 bits: %2 bytes from %1</translation>
    </message>
    <message>
        <source>結果が大きすぎます: %1 バイト (%2 MiB)。扱えるのは %3 バイトまでです</source>
        <translation>the result is too large: %1 bytes (%2 MiB); at most %3 bytes can be made</translation>
    </message>
</context>
<context>
    <name>HexErrorLine</name>
    <message>
        <source>ｴﾝﾄﾞﾚｺｰﾄﾞがありません</source>
        <translation>no end record</translation>
    </message>
</context>
<context>
    <name>KestrunResult</name>
    <message>
        <source>正常終了</source>
        <translation>done</translation>
    </message>
    <message>
        <source>ｲﾝﾃﾙﾍｷｻ形式ではありません</source>
        <translation>not Intel HEX</translation>
    </message>
    <message>
        <source>ﾁｪｯｸｻﾑ値が異常です</source>
        <translation>bad checksum</translation>
    </message>
    <message>
        <source>ｴﾝﾄﾞﾚｺｰﾄﾞが異常です</source>
        <translation>bad end record</translation>
    </message>
    <message>
        <source>中止しました</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>ｵｰﾊﾞｰﾌﾛｰです</source>
        <translation>overflow</translation>
    </message>
    <message>
        <source>ﾒﾓﾘが足りません</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>例外が発生しました
ﾍｷｻﾌｧｲﾙのｱﾄﾞﾚｽ指定が不正な可能性があります</source>
        <translation>address fault
the HEX file may give an address beyond 32 bits</translation>
    </message>
    <message>
        <source>ﾃﾞｰﾀのｱﾄﾞﾚｽが重なっています</source>
        <translation>records write one address twice</translation>
    </message>
    <message>
        <source>引数が正しくありません</source>
        <translation>bad argument</translation>
    </message>
    <message>
        <source>Sﾚｺｰﾄﾞ形式ではありません</source>
        <translation>not Motorola S-records</translation>
    </message>
    <message>
        <source>ﾚｺｰﾄﾞ数が一致しません</source>
        <translation>the record count does not match the data records</translation>
    </message>
    <message>
        <source>TI-TXT形式ではありません</source>
        <translation>not TI-TXT</translation>
    </message>
    <message>
        <source>VMEM形式ではありません</source>
        <translation>not Verilog VMEM</translation>
    </message>
    <message>
        <source>UF2形式ではありません</source>
        <translation>not UF2</translation>
    </message>
    <message>
        <source>ﾁｪｯｸｻﾑ値が異常です (%1、正しくは %2)</source>
        <translation>checksum %1, expected %2</translation>
    </message>
</context>
<context>
    <name>CommandChecks</name>
    <message>
        <source>%1: @ の後の %2 はアドレスではありません (16 進数、0x は省略可、FFFFFFFF まで)</source>
        <translation>%1: %2 after the @ is no address (hexadecimal, 0x optional, up to FFFFFFFF)</translation>
    </message>
    <message>
        <source>--serial --count が 2 以上のときは -o に %u か %0Nu (画像の番号) の入った名前を指定してください</source>
        <translation>--serial with a --count above 1 needs an -o name with %u or %0Nu (the image's number)</translation>
    </message>
</context>
<context>
    <name>OutputCheck</name>
    <message>
        <source>バイナリイメージを端末には書き出しません。-o FILE を指定するか、出力をリダイレクトしてください</source>
        <translation>refusing to write a binary image to a terminal; give -o FILE or redirect the output</translation>
    </message>
    <message>
        <source>%1 は入力ファイルです。別の -o を指定してください</source>
        <translation>%1 is an input file; give another -o</translation>
    </message>
</context>
<context>
    <name>PatchOperations</name>
    <message>
        <source>%1: ADDR=TEXT ではありません</source>
        <translation>%1: not ADDR=TEXT</translation>
    </message>
    <message>
        <source>%1: ADDR=BYTES ではありません</source>
        <translation>%1: not ADDR=BYTES</translation>
    </message>
    <message>
        <source>%1: BYTES は 16 進数の 2 桁ずつです (例: DEADBEEF)</source>
        <translation>%1: BYTES are pairs of hex digits (DEADBEEF)</translation>
    </message>
    <message>
        <source>%1: ASCII にない文字があります (--encoding utf-8 か cp932 を後に付けてください)</source>
        <translation>%1: a character that is not ASCII (add --encoding utf-8 or cp932 after it)</translation>
    </message>
    <message>
        <source>%1: コードページ 932 にない文字があります</source>
        <translation>%1: a character that code page 932 does not have</translation>
    </message>
    <message>
        <source>--encoding %1: ascii, utf-8, cp932 のどれかです</source>
        <translation>--encoding %1: not ascii, utf-8 or cp932</translation>
    </message>
    <message>
        <source>%1: 書くバイトがありません</source>
        <translation>%1: no bytes to write</translation>
    </message>
    <message>
        <source>--string には ADDR=TEXT が要ります</source>
        <translation>--string needs ADDR=TEXT</translation>
    </message>
    <message>
        <source>--set には ADDR=BYTES が要ります</source>
        <translation>--set needs ADDR=BYTES</translation>
    </message>
    <message>
        <source>--encoding には ascii, utf-8, cp932 のどれかが要ります</source>
        <translation>--encoding needs ascii, utf-8 or cp932</translation>
    </message>
    <message>
        <source>--encoding は --string の後に付けます</source>
        <translation>--encoding goes after a --string</translation>
    </message>
    <message>
        <source>--fill には LOW-HIGH BYTES が要ります</source>
        <translation>--fill needs LOW-HIGH BYTES</translation>
    </message>
    <message>
        <source>%1: LOW-HIGH は 16 進数の範囲です (LOW ≦ HIGH)</source>
        <translation>%1: LOW-HIGH is a hexadecimal range (LOW &lt;= HIGH)</translation>
    </message>
    <message>
        <source>--into-gaps は --fill の後に付けます</source>
        <translation>--into-gaps goes after a --fill</translation>
    </message>
    <message>
        <source>%1: アドレスが 32 ビットを超えます</source>
        <translation>%1: addresses pass 32 bits</translation>
    </message>
</context>
<context>
    <name>PatchCommand</name>
    <message>
        <source>詳しくは 'kestrun --help' を見てください。</source>
        <translation>Try 'kestrun --help' for more information.</translation>
    </message>
    <message>
        <source>patch の書き出し先は -o OUT か --in-place のどちらか一つです</source>
        <translation>patch writes to -o OUT or --in-place, one of them</translation>
    </message>
    <message>
        <source>標準入力は --in-place で書き換えられません</source>
        <translation>standard input cannot be patched --in-place</translation>
    </message>
    <message>
        <source>patch に変えるものがありません (--set, --string, --fill, --fix-checksums)</source>
        <translation>patch has nothing to change (--set, --string, --fill, --fix-checksums)</translation>
    </message>
    <message>
        <source> (書き換えるには --in-place)</source>
        <translation> (to change it, --in-place)</translation>
    </message>
    <message>
        <source>標準入力</source>
        <translation>standard input</translation>
    </message>
    <message>
        <source>標準出力</source>
        <translation>standard output</translation>
    </message>
    <message>
        <source>patch が書き換えるのはインテル HEX か S レコードのテキストです (%1 は kestrun convert で変換してください)</source>
        <translation>patch changes Intel HEX or S-record text (convert %1 with kestrun convert first)</translation>
    </message>
    <message>
        <source>%1:%2: チェックサム %3 → %4</source>
        <translation>%1:%2: checksum %3 → %4</translation>
    </message>
    <message>
        <source>%1: 書き換えたレコード %2, 足したレコード %3 (アドレスレコード %4), 直したチェックサム %5, 変わったバイト %6</source>
        <translation>%1: %2 records changed, %3 added (%4 address records), %5 checksums fixed, %6 bytes changed</translation>
    </message>
</context>
<context>
    <name>ReaderFault</name>
    <message>
        <source>ELF ファイルではありません</source>
        <translation>not an ELF file</translation>
    </message>
    <message>
        <source>Git LFS のポインタファイルで、ELF ファイルそのものではありません (git lfs pull で取り出せます)</source>
        <translation>a Git LFS pointer, not the ELF file itself (git lfs pull fetches it)</translation>
    </message>
    <message>
        <source>途中で切れています: ELF ヘッダはオフセット %1 まであり、ファイルは %2 バイトです</source>
        <translation>truncated: the ELF header ends at offset %1, beyond the file's %2 bytes</translation>
    </message>
    <message>
        <source>ELF ヘッダが壊れています</source>
        <translation>damaged ELF header</translation>
    </message>
    <message>
        <source>再配置可能オブジェクトで、実行ファイルではありません: 先にリンクしてください</source>
        <translation>a relocatable object, not an executable: link it first</translation>
    </message>
    <message>
        <source>途中で切れています: プログラムヘッダはオフセット %1 まであり、ファイルは %2 バイトです</source>
        <translation>truncated: the program headers end at offset %1, beyond the file's %2 bytes</translation>
    </message>
    <message>
        <source>途中で切れています: セクションヘッダはオフセット %1 まであり、ファイルは %2 バイトです</source>
        <translation>truncated: the section headers end at offset %1, beyond the file's %2 bytes</translation>
    </message>
    <message>
        <source>途中で切れています: セグメント %1 はオフセット %2 まであり、ファイルは %3 バイトです</source>
        <translation>truncated: segment %1 ends at offset %2, beyond the file's %3 bytes</translation>
    </message>
    <message>
        <source>途中で切れています: セクション %1 はオフセット %2 まであり、ファイルは %3 バイトです</source>
        <translation>truncated: section %1 ends at offset %2, beyond the file's %3 bytes</translation>
    </message>
    <message>
        <source>プログラムヘッダ %1 が壊れています</source>
        <translation>damaged program header %1</translation>
    </message>
    <message>
        <source>セクションヘッダ %1 が壊れています</source>
        <translation>damaged section header %1</translation>
    </message>
    <message>
        <source>セグメント %1 (%2 から) がアドレス FFFFFFFF を超えます</source>
        <translation>segment %1 at %2 passes address FFFFFFFF</translation>
    </message>
    <message>
        <source>セクション %1 (%2 から) がアドレス FFFFFFFF を超えます</source>
        <translation>section %1 at %2 passes address FFFFFFFF</translation>
    </message>
    <message>
        <source>%1 (セグメント %2、%3 から)</source>
        <translation>%1 (segment %2 at %3)</translation>
    </message>
    <message>
        <source>%1 (セクション %2、%3 から)</source>
        <translation>%1 (section %2 at %3)</translation>
    </message>
    <message>
        <source>データがアドレス FFFFFFFF を超えます</source>
        <translation>the bytes pass address FFFFFFFF</translation>
    </message>
    <message>
        <source>ブロック %1 (オフセット %2) のマジックナンバーが違います</source>
        <translation>block %1 (offset %2): wrong magic number</translation>
    </message>
    <message>
        <source>途中で切れています: ブロック %1 はオフセット %2 から %3 までで、512 バイトに足りません</source>
        <translation>truncated: block %1 runs from offset %2 to %3, short of 512 bytes</translation>
    </message>
    <message>
        <source>ブロック %1 (オフセット %2) のデータが 476 バイトを超えるか、アドレス FFFFFFFF を超えます</source>
        <translation>block %1 (offset %2): its payload is over 476 bytes or passes address FFFFFFFF</translation>
    </message>
</context>
<context>
    <name>ConflictLog</name>
    <message>
        <source>%1: %2-%3 は %4 も書き込んでいます</source>
        <translation>%1: %2-%3 also written by %4</translation>
    </message>
    <message>
        <source>%1: 警告: %2-%3 は %4 も書き込んでいます (後のバイトを使いました)</source>
        <translation>%1: warning: %2-%3 also written by %4 (the later bytes kept)</translation>
    </message>
    <message>
        <source>%1: 警告: %2-%3 は %4 も書き込んでいます (先のバイトを残しました)</source>
        <translation>%1: warning: %2-%3 also written by %4 (the earlier bytes kept)</translation>
    </message>
    <message>
        <source>kestrun: 警告: ほかに %1 か所で違うバイトが重なります。--overlap error で拒否できます</source>
        <translation>kestrun: warning: %1 more overlaps with other bytes; --overlap error refuses them</translation>
    </message>
</context>
<context>
    <name>ImageMerge</name>
    <message>
        <source>%1 の開始アドレス %2 は %3 の %4 と違います。%3 のものを使います</source>
        <translation>start address %2 of %1 differs from %4 of %3; %3's is kept</translation>
    </message>
</context>
<context>
    <name>ImageOperations</name>
    <message>
        <source>%1: 語の幅は 2、4、8 のどれかです</source>
        <translation>%1: a word is 2, 4 or 8 bytes wide</translation>
    </message>
    <message>
        <source>%1: MULTIPLE OFFSET [WIDTH] は 16 進数です</source>
        <translation>%1: MULTIPLE OFFSET [WIDTH] are hexadecimal numbers</translation>
    </message>
    <message>
        <source>%1: MULTIPLE と WIDTH は 1 以上で、OFFSET + WIDTH は MULTIPLE を超えられません</source>
        <translation>%1: MULTIPLE and WIDTH are at least 1, and OFFSET + WIDTH may not pass MULTIPLE</translation>
    </message>
    <message>
        <source>%1 の --%2 には値が要ります</source>
        <translation>--%2 of %1 needs a value</translation>
    </message>
</context>
<context>
    <name>MergeCommand</name>
    <message>
        <source>kestrun: 注意: %1 (--start-address で選べます)</source>
        <translation>kestrun: note: %1 (--start-address chooses)</translation>
    </message>
</context>
<context>
    <name>OptionValues</name>
    <message>
        <source>--start-address %1: first、last、none か、0 から FFFFFFFF の 16 進数を指定してください</source>
        <translation>--start-address %1: not first, last, none or a hexadecimal number from 0 to FFFFFFFF</translation>
    </message>
    <message>
        <source>--count は --serial の後に指定します</source>
        <translation>--count goes after --serial</translation>
    </message>
</context>
<context>
    <name>CheckRequest</name>
    <message>
        <source>CRC を置く %1-%2 には別のデータがあります%3。その上に書くには --overlap last を指定してください</source>
        <translation>%1-%2, where the CRC goes, holds other data%3; --overlap last writes the CRC over it</translation>
    </message>
    <message>
        <source>kestrun: 警告: --insert-crc: CRC を %1-%2 のデータ%3の上に書きました</source>
        <translation>kestrun: warning: --insert-crc: the CRC is written over the data at %1-%2%3</translation>
    </message>
</context>
<context>
    <name>StampOperations</name>
    <message>
        <source>%1 の --endian %2: little か big を指定してください</source>
        <translation>--endian %2 of %1: give little or big</translation>
    </message>
    <message>
        <source>%1: %2 バイトの値が FFFFFFFF を越えます</source>
        <translation>%1: the %2-byte value passes FFFFFFFF</translation>
    </message>
    <message>
        <source>%1: 16 進のアドレス (FFFFFFFF まで) ではありません</source>
        <translation>%1: not a hexadecimal address up to FFFFFFFF</translation>
    </message>
    <message>
        <source>%1: ADDR=FIRST[+STEP] (16 進) ではありません</source>
        <translation>%1: not ADDR=FIRST[+STEP] in hexadecimal</translation>
    </message>
    <message>
        <source>%1: FIND=REPLACE は同じ長さの 16 進バイト列 (1-256 バイト) で指定してください</source>
        <translation>%1: give FIND=REPLACE as hexadecimal byte strings of one length (1-256 bytes)</translation>
    </message>
    <message>
        <source>%1 の --%2 %3: %4 から %5 までの 10 進数ではありません</source>
        <translation>--%2 %3 of %1: not a decimal number from %4 to %5</translation>
    </message>
    <message>
        <source>%1: 長さの --width は 1, 2, 4 のどれかです</source>
        <translation>%1: the length's --width is 1, 2 or 4</translation>
    </message>
    <message>
        <source>%1: %2 番目の番号は %3 バイトに収まりません</source>
        <translation>%1: number %2 does not fit in %3 bytes</translation>
    </message>
    <message>
        <source>長さを測るデータがありません</source>
        <translation>no data to measure</translation>
    </message>
    <message>
        <source>長さ %1 は %2 バイトに収まりません</source>
        <translation>the length %1 does not fit in %2 bytes</translation>
    </message>
    <message>
        <source>長さを置く %1-%2 には別のデータがあります。その上に書くには --overlap last を指定してください</source>
        <translation>%1-%2, where the length goes, holds other data; --overlap last writes over them</translation>
    </message>
    <message>
        <source>長さを書けません (%1)</source>
        <translation>cannot write the length (%1)</translation>
    </message>
    <message>
        <source>番号を書けません (%1)</source>
        <translation>cannot write the number (%1)</translation>
    </message>
    <message>
        <source>置き換えられません (%1)</source>
        <translation>cannot replace (%1)</translation>
    </message>
    <message>
        <source>kestrun: %1: %2 か所を置き換えました</source>
        <translation>kestrun: %1: %2 replaced</translation>
    </message>
</context>
<context>
    <name>ImageInput</name>
    <message>
        <source>警告: </source>
        <translation>warning: </translation>
    </message>
    <message>
        <source>ｴﾝﾄﾞﾚｺｰﾄﾞの後に行があります。読まずに捨てました</source>
        <translation>text after the end record is not read</translation>
    </message>
    <message>
        <source>終了ﾚｺｰﾄﾞ (S7/S8/S9) の後にﾚｺｰﾄﾞがあります。それも読みました</source>
        <translation>records after the termination record (S7/S8/S9) are read as well</translation>
    </message>
    <message>
        <source>標準入力</source>
        <translation>standard input</translation>
    </message>
    <message>
        <source>失敗しました (%1)</source>
        <translation>failed (%1)</translation>
    </message>
    <message>
        <source>: @ADDR のアドレスはバイナリ入力のためのもので、%1 には使えません</source>
        <translation>: an @ADDR address is for binary input, not %1</translation>
    </message>
</context>
<context>
    <name>CompareListing</name>
    <message>
        <source>%1 は %2 にだけあります</source>
        <translation>%1 only in %2</translation>
    </message>
    <message>
        <source>%1 が違います: %2 / %3</source>
        <translation>%1 differ: %2 / %3</translation>
    </message>
    <message>
        <source>... ほかに %1 ヶ所違います
</source>
        <translation>... %1 more differences
</translation>
    </message>
</context>
<context>
    <name>SafeFileWriter</name>
    <message>
        <source> (安全に保存するための新しいファイルをそのフォルダに作れません)</source>
        <translation> (its folder takes no new file, which a safe save needs)</translation>
    </message>
    <message>
        <source>開かれていません (プログラムの起動時に閉じられていました)</source>
        <translation>not open (it was closed when the program started)</translation>
    </message>
    <message>
        <source>読み取っているプログラムがありません</source>
        <translation>no program is reading it</translation>
    </message>
    <message>
        <source> (元の内容は %1 に残してあります)</source>
        <translation> (the old content is kept in %1)</translation>
    </message>
</context>
</TS>
