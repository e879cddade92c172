#include "shell/ChangeNotices.h"

#include "shell/DocumentView.h"

#include <QAccessible>

#include <algorithm>

namespace {

QString textOf(const DocumentView *view, long from, long length)
{
    const QByteArrayView all = view->textBytes();
    from = std::clamp<long>(from, 0, long(all.size()));
    return QString::fromUtf8(all.sliced(from, std::min<long>(length, long(all.size()) - from)));
}

} // namespace

int ChangeNotices::eventMask()
{
    return QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE;
}

ChangeNotices::ChangeNotices(DocumentView *view) : QObject(view), m_view(view)
{
    connect(view, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char *, int length) {
                before(position, type, length);
            });
}

void ChangeNotices::before(int position, int type, int length)
{
    settle();
    m_changed = true;
    if (QAccessible::isActive()) {
        const int offset = int(m_view->offsetOfPosition(position));
        if (type & QsciScintillaBase::SC_MOD_BEFOREDELETE) {
            m_changes.push_back({offset, textOf(m_view, position, length), QString()});
        } else if (type & QsciScintillaBase::SC_MOD_BEFOREINSERT) {
            m_changes.push_back({offset, QString(), QString()});
            m_insertAt = position;
            m_insertLength = length;
        }
    }
    post();
}

void ChangeNotices::settle()
{
    if (m_insertAt < 0)
        return;
    if (!m_changes.empty())
        m_changes.back().inserted = textOf(m_view, m_insertAt, m_insertLength);
    m_insertAt = -1;
}

void ChangeNotices::post()
{
    if (m_posted)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(this, &ChangeNotices::told, Qt::QueuedConnection);
}

void ChangeNotices::splicing(const std::vector<TextPatch::Splice> &splices)
{
    settle();
    m_changed = true;
    if (!QAccessible::isActive())
        return;
    // Each told at its place once those before it are made.
    int shift = 0;
    for (const TextPatch::Splice &splice : splices) {
        Change change{int(m_view->offsetOfPosition(splice.from)) + shift,
                      textOf(m_view, long(splice.from), long(splice.length)),
                      QString::fromUtf8(splice.text)};
        shift += int(change.inserted.size() - change.removed.size());
        m_changes.push_back(std::move(change));
    }
}

void ChangeNotices::told()
{
    settle();
    m_posted = false;
    if (!m_changed)
        return;
    m_changed = false;
    std::vector<Change> changes;
    changes.swap(m_changes);
    for (const Change &change : changes) {
        if (!QAccessible::isActive())
            break;
        if (change.inserted.isEmpty() && change.removed.isEmpty())
            continue;
        if (change.inserted.isEmpty()) {
            QAccessibleTextRemoveEvent removed(m_view, change.offset, change.removed);
            QAccessible::updateAccessibility(&removed);
        } else if (change.removed.isEmpty()) {
            QAccessibleTextInsertEvent inserted(m_view, change.offset, change.inserted);
            QAccessible::updateAccessibility(&inserted);
        } else {
            QAccessibleTextUpdateEvent updated(m_view, change.offset, change.removed,
                                               change.inserted);
            QAccessible::updateAccessibility(&updated);
        }
    }
    emit m_view->textChanged();
}
