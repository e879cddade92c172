// The dialog behind UserPrompts::askForm: one row a field, a label beside
// a line edit, a drop-down list, or a file list with 追加 and 削除, and the
// buttons 実行 and 取消. Only the prompts build it; everything else asks
// through them.
#ifndef PELCOR_FORM_DIALOG_H
#define PELCOR_FORM_DIALOG_H

#include "base/UserPrompts.h"

#include <QDialog>

#include <functional>
#include <vector>

class FormDialog : public QDialog {
    Q_OBJECT

public:
    FormDialog(QWidget *parent, const QString &title, const QList<FormField> &fields);

    FormAnswers answers() const;

private:
    QWidget *fileList(const FormField &field, std::function<QStringList()> &read);

    std::vector<std::function<QStringList()>> m_readers;
};

#endif
