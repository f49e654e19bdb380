#pragma once

#include <QLabel>

namespace ui {

// A static text: plain text (no markup), left or centred, word-wrapped, or kept on one line
// with an ellipsis at the end when it does not fit. It lets mouse input through to its window.
class CStaticText : public QLabel {
    Q_OBJECT
public:
    CStaticText(bool centred, bool endEllipsis, QWidget* parent = nullptr);

    bool IsEndEllipsis() const { return m_endEllipsis; }
    // The text as it is drawn now (elided when it does not fit).
    QString DisplayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_endEllipsis;
};

}  // namespace ui
