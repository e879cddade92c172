#include "support/frame_fixture.h"

#include "core/SettingsModel.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

void FrameFixture::openFrame(QSize size)
{
    QVERIFY(m_dir.isValid());
    SettingsModel::program().setUp(m_dir.path());
    m_frame = new FrmMDI;
    setFrameWindow(m_frame);
    if (size.isValid())
        m_frame->resize(size);
    m_frame->show();
}

void FrameFixture::closeFrame()
{
    if (m_frame) {
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList())
            if (auto *document = qobject_cast<Form1 *>(window))
                ClearModified(document);
        m_frame->close();
    }
    setFrameWindow(nullptr);
    QTRY_VERIFY(m_frame.isNull());
    QTRY_COMPARE(Form1::DocumentCount(), 0);
}

Form1 *FrameFixture::openText(const QString &text, const QString &name)
{
    return m_frame->openDocument(text, path(name) + Form1::UnsavedMarker, true);
}

QStringList FrameFixture::captions() const
{
    QStringList list;
    for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList(QMdiArea::CreationOrder))
        list.append(window->windowTitle());
    return list;
}

Form1 *FrameFixture::newestDocument() const
{
    const auto windows = m_frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    return windows.isEmpty() ? nullptr : qobject_cast<Form1 *>(windows.last());
}

QString FrameFixture::newestText() const
{
    const Form1 *document = newestDocument();
    return document ? document->documentText() : QString();
}

QString FrameFixture::newestCaption() const
{
    const Form1 *document = newestDocument();
    return document ? document->windowTitle() : QString();
}
