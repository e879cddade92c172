// The data view with its inspector under it, shown and hidden as one
// beside a document's text.
#ifndef PELCOR_DATA_PANE_H
#define PELCOR_DATA_PANE_H

#include <QSplitter>

class DataInspector;
class DataView;

class DataPane : public QSplitter {
    Q_OBJECT

public:
    explicit DataPane(QWidget *parent = nullptr);

    DataView *view() const { return m_view; }
    DataInspector *inspector() const { return m_inspector; }
    // The view's width: a whole row.
    QSize sizeHint() const override;

protected:
    // Until the user moves the handle, the inspector gets the height it
    // asks for, but no more than a third.
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_handleMoved = false;
    DataView *m_view;
    DataInspector *m_inspector;
};

#endif
