// What the image menu's jobs share while they run: the library's image
// interface, the progress window with Cancel (as the four conversions show
// it), the messages of a failure, a stop or the conflicts let pass, and
// the result handed to the host as a new unsaved document.
//
//     ImageJobRun run(host);
//     if (!run.calls()) return false;          // the binding told the user
//     run.showProgress();
//     ImageHandle image = ImageLoader::load(*run.calls(), ..., run.request(1, policy), log, error);
//     if (!image) return run.stopped() ? run.cancelled() : run.fail(error);
//     return run.openResult(text, path);
#ifndef PELCOR_IMAGE_JOB_RUN_H
#define PELCOR_IMAGE_JOB_RUN_H

#include "base/BusyScope.h"
#include "convert/ConversionHost.h"
#include "core/ConflictLog.h"
#include "core/ImageLoader.h"
#include "core/ImageText.h"

#include <functional>

class ImageJobRun {
public:
    explicit ImageJobRun(ConversionHost &host);
    // Closes the progress window, whatever the outcome.
    ~ImageJobRun();
    ImageJobRun(const ImageJobRun &) = delete;
    ImageJobRun &operator=(const ImageJobRun &) = delete;

    // Null when the library or an export cannot be bound (already said).
    const ImageCalls *calls() const { return m_calls; }
    ConversionHost &host() { return m_host; }

    // Shows the progress window over the host and lets it paint.
    void showProgress();
    // A load of input `source` that draws on the progress window.
    ImageLoader::Request request(std::uint32_t source, std::int32_t policy) const;
    // A text layout (kestrun's defaults) that draws on the progress window.
    TextLayout layout() const;
    // True once the user pressed Cancel.
    bool stopped() const;

    // The library's message for `code`, on one line.
    static QString message(std::int32_t code);

    // Closes the progress window before a result that is only a message.
    void close();

    // Runs `action` after the message of the next fail(), as showing the
    // line at fault once the user has read why.
    void showLineAfterFailure(std::function<void()> action) { m_afterFailure = std::move(action); }

    // Each closes the progress window and tells the user; all return false.
    bool fail(const QString &text);
    bool cancelled();
    // A writer's failure: a stop, or the library's message.
    bool failWriting(std::int32_t rc);

    // Warns of what the readers noted (text after an end record), then of
    // the overlaps `policy` (last or first) let pass, naming their
    // writers; of no overlap under the other policies, which refuse.
    void warnConflicts(const ConflictLog &log, std::int32_t policy);

    // Opens `text` (ASCII or UTF-8) as a new unsaved document named after
    // `path`; false, with no window left, when the user stopped it.
    bool openResult(const QByteArray &text, const QString &path);

private:
    ConversionHost &m_host;
    BusyScope m_busy;
    const ImageCalls *m_calls;
    std::function<void()> m_afterFailure;
};

#endif
