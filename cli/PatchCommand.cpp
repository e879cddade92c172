#include "PatchCommand.h"

#include "CancelSignal.h"
#include "CommandRunner.h"
#include "ErrorLine.h"
#include "LinkedLibrary.h"
#include "OutputCheck.h"
#include "StreamingOutput.h"
#include "core/FilePieces.h"
#include "core/HexNumber.h"
#include "core/FilePatch.h"
#include "core/LocalPath.h"

#include <QCoreApplication>

#include <algorithm>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PatchCommand", text);
}

std::int32_t sink(const char *bytes, std::uint64_t length, std::intptr_t user)
{
    auto *output = reinterpret_cast<StreamingOutput *>(user);
    if (CancelSignal::requested() || !output->put(QByteArrayView(bytes, qsizetype(length))))
        return ResultCancelled;
    return ResultOk;
}

QString pair(std::uint32_t value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

int usage(const QString &error)
{
    printErrorLine(QStringLiteral("kestrun: ") + error);
    printErrorLine(tr("詳しくは 'kestrun --help' を見てください。"));
    return CommandRunner::UsageError;
}

// A descriptor closed when it goes.
struct Descriptor {
    int fd = -1;
    ~Descriptor() { reset(-1); }
    void reset(int to)
    {
        if (fd >= 0)
            ::close(fd);
        fd = to;
    }
};

// The input as pieces that can be read twice: a regular file from the
// disk, anything else (standard input, a pipe) kept in memory.
struct TwiceReadable {
    FilePieces file;
    QByteArray held;
    std::unique_ptr<MemoryPieces> memory;
    InputPieces *pieces = nullptr;

    bool open(const QString &name, QString &error)
    {
        if (!file.open(name)) {
            error = file.error();
            return false;
        }
        if (file.rewind()) {
            pieces = &file;
            return true;
        }
        for (QByteArrayView piece; file.next(piece) && !piece.isEmpty();)
            held.append(piece);
        memory = std::make_unique<MemoryPieces>(held);
        pieces = memory.get();
        return true;
    }
};

} // namespace

PatchCommand::PatchCommand(const Invocation &invocation) : m_invocation(invocation)
{
}

int PatchCommand::run()
{
    const PatchRequest &request = m_invocation.patch;
    const QString &input = m_invocation.input;
    if (request.inPlace == !m_invocation.output.isEmpty())
        return usage(tr("patch の書き出し先は -o OUT か --in-place のどちらか一つです"));
    if (request.inPlace && input == u"-")
        return usage(tr("標準入力は --in-place で書き換えられません"));
    if (request.operations.empty() && !request.fixChecksums)
        return usage(tr("patch に変えるものがありません (--set, --string, --fill, --fix-checksums)"));
    const QString output = request.inPlace ? input : m_invocation.output;
    if (!request.inPlace) {
        if (const QString refusal = OutputCheck::refusal(output, {input}, false);
            !refusal.isEmpty())
            return usage(refusal + tr(" (書き換えるには --in-place)"));
    }
    CancelSignal::install();
    const QString name = input == u"-" ? tr("標準入力") : input;
    TwiceReadable source;
    QString error;
    if (!source.open(input, error)) {
        printErrorLine(name + QStringLiteral(": ") + error);
        return CommandRunner::Failed;
    }
    FilePatch patch(*LinkedLibrary::calls().image());
    const InputArgument argument{input, std::nullopt, false};
    auto readFailed = [&] {
        const ImageInput &in = patch.input();
        if (in.result == ResultBadArgument && !in.sourceFailed)
            printErrorLine(name + QStringLiteral(": ")
                           + tr("patch が書き換えるのはインテル HEX か S レコードのテキストです "
                                "(%1 は kestrun convert で変換してください)")
                                 .arg(inputFormatName(*LinkedLibrary::calls().image(), in.format)));
        else
            printErrorLine(in.error);
        return CommandRunner::Failed;
    };
    auto change = [&] {
        for (const PatchOperation &op : request.operations) {
            const bool done = op.kind == PatchOperation::Kind::Set
                                  ? patch.set(op.low, op.bytes)
                                  : patch.fill(op.low, op.high, op.bytes, op.intoGaps);
            if (!done) {
                printErrorLine(op.given + QStringLiteral(": ") + LinkedLibrary::message(ResultNoMemory));
                return false;
            }
        }
        return true;
    };
    const QString where = output == u"-" ? tr("標準出力") : output;
    auto writeFailed = [&](std::int32_t rc, StreamingOutput &out) {
        if (!out.failed(error))
            error = LinkedLibrary::message(CancelSignal::requested() ? ResultCancelled : rc);
        printErrorLine(where + QStringLiteral(": ") + error.replace(u'\n', u' '));
        return CommandRunner::Failed;
    };
    // Declared before the output, whose writer may copy from it until then.
    Descriptor copyFrom;
    auto out = std::make_unique<StreamingOutput>(output);
    bool opened = false, done = false;
    // Bytes set where the text holds data need no image of it: one pass
    // over the text, where a file can be started over should a change fall
    // where no record holds data. --fill finds the data in the image.
    const bool onePass = !request.fixChecksums
                         && std::all_of(request.operations.begin(), request.operations.end(),
                                        [](const PatchOperation &op) {
                                            return op.kind == PatchOperation::Kind::Set;
                                        });
    if (onePass) {
        if (!change())
            return CommandRunner::Failed;
        opened = out->open(error) == OutputTarget::Outcome::Written;
        if (opened && out->canStartOver()) {
            // Where every change finds its record, the output is as long as
            // the input.
            out->reserve(source.pieces->size());
            // The text that stays as it was is copied file to file by the
            // system, as cat copies, without passing through this process.
            if (source.pieces == &source.file)
                copyFrom.reset(::open(LocalPath::encode(input).constData(), O_RDONLY | O_CLOEXEC));
            std::function<bool(std::uint64_t, std::uint64_t)> copy;
            if (copyFrom.fd >= 0)
                copy = [&](std::uint64_t offset, std::uint64_t length) {
                    return out->putCopy(copyFrom.fd, offset, length);
                };
            // A long text's second half is written where it belongs, beside
            // the first half's copies.
            const auto place = [&](std::uint64_t offset, QByteArrayView bytes) {
                return out->putAt(offset, bytes);
            };
            const std::int32_t rc = patch.writeInOnePass(
                *source.pieces, argument, sink, std::intptr_t(out.get()), done, copy, place);
            if (rc < 0)
                return writeFailed(rc, *out);
            if (done && patch.input().result < 0)
                return readFailed();
            if (!done && !out->startOver() && out->failed(error)) {
                printErrorLine(where + QStringLiteral(": ") + error);
                return CommandRunner::Failed;
            }
        } else if (!opened) {
            // Said after the input is read, as the other way says it.
            out = std::make_unique<StreamingOutput>(output);
        }
        if (!done && !source.pieces->rewind()) {
            printErrorLine(name + QStringLiteral(": ") + source.file.error());
            return CommandRunner::Failed;
        }
    }
    if (!done) {
        if (patch.read(*source.pieces, argument, request.fixChecksums) < 0)
            return readFailed();
        if (!onePass && !change())
            return CommandRunner::Failed;
        if (!source.pieces->rewind()) {
            printErrorLine(name + QStringLiteral(": ") + source.file.error());
            return CommandRunner::Failed;
        }
        if (!opened && out->open(error) != OutputTarget::Outcome::Written) {
            printErrorLine(where + QStringLiteral(": ") + error);
            return CommandRunner::Failed;
        }
        const std::int32_t rc = patch.write(
            *source.pieces, request.fixChecksums, sink, std::intptr_t(out.get()),
            [&](const kestrun_fixed_checksum &fixed) {
                printErrorLine(tr("%1:%2: チェックサム %3 → %4")
                                   .arg(name)
                                   .arg(fixed.line)
                                   .arg(pair(fixed.found), pair(fixed.expected)));
            });
        if (rc < 0)
            return writeFailed(rc, *out);
    }
    if (out->finish(error) != OutputTarget::Outcome::Written) {
        printErrorLine(where + QStringLiteral(": ") + error);
        return CommandRunner::Failed;
    }
    const kestrun_patch_stats &s = patch.stats();
    printErrorLine(tr("%1: 書き換えたレコード %2, 足したレコード %3 (アドレスレコード %4), "
                      "直したチェックサム %5, 変わったバイト %6")
                       .arg(name)
                       .arg(s.records_changed)
                       .arg(s.records_added)
                       .arg(s.address_records_added)
                       .arg(s.checksums_fixed)
                       .arg(s.bytes_changed + s.bytes_added));
    return CommandRunner::Done;
}
