#pragma once

#include <QWidget>

class QLineEdit;

// Editor of a file-path row: the path in a line edit and a "..." button
// that opens a file chooser. In button-only mode the button opens nothing
// and only reports the click, which turns the row into a command button.
class FileEdit : public QWidget
{
    Q_OBJECT
public:
    explicit FileEdit(QWidget* parent = nullptr);

    void setFilePath(const QString& filePath);
    QString filePath() const;

    void setFilter(const QString& filter) { m_filter = filter; }
    QString filter() const { return m_filter; }

    void setButtonOnly(bool buttonOnly) { m_buttonOnly = buttonOnly; }
    bool isButtonOnly() const { return m_buttonOnly; }

    // Hidden: only the button remains.
    void setLineEditHidden(bool hidden);
    bool isLineEditHidden() const;

signals:
    void filePathChanged(const QString& filePath);
    void btnClicked();

public slots:
    void buttonClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void forwardToLineEdit(QEvent* event);

    bool m_buttonOnly = false;
    QLineEdit* m_lineEdit;
    QString m_filter;
};
