#pragma once

#include <QDialog>
#include <memory>

#include "ui/DialogTemplate.h"
#include "ui/FixedScaleLayout.h"

namespace ui {

class CMessagePreFilter;

// Button notification codes of a command.
constexpr int BN_CLICKED = 0;
constexpr int BN_DOUBLECLICKED = 5;
// List box notification of a command: the user changed the selection.
constexpr int LBN_SELCHANGE = 1;
// Combo box notification of a command: the user changed the selection.
constexpr int CBN_SELCHANGE = 1;

// A dialog built from a template table: one control per item, created in template order (the
// first item on top), each carrying its identifier, laid out at the screen's own scale until a
// fixed-scale layout is applied. Commands, scroll notifications and posted user messages reach
// the virtual handlers below.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr,
                             Qt::WindowFlags flags = Qt::Dialog);
    ~CTemplateDialog() override;

    const DialogTemplate& Template() const { return m_template; }

    QWidget* GetDlgItem(int id) const;
    template <class Control>
    Control* GetDlgItem(int id) const {
        return qobject_cast<Control*>(GetDlgItem(id));
    }

    // Runs OnInitDialog once; false when the initialisation ended the dialog.
    bool InitDialog();
    // Initialises, then runs the dialog modally; the result of done(), 0 when the
    // initialisation failed.
    int DoModal();

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnCommand(int /*id*/, int /*notifyCode*/) {}
    virtual void OnHScroll(int /*code*/, int /*position*/, QWidget* /*slider*/) {}
    virtual void OnVScroll(int /*code*/, int /*position*/, QWidget* /*slider*/) {}
    virtual void OnUserMessage(int /*n*/, quintptr /*wParam*/, qintptr /*lParam*/) {}
    // Sees the events of this window and everything inside it before dispatch, once
    // InstallMessagePreFilter() has been called; true swallows the event.
    virtual bool PreTranslateMessage(QObject* /*target*/, QEvent* /*event*/) { return false; }

    void InstallMessagePreFilter();
    // A derived window calls this first in its destructor: events of the controls being
    // destroyed must not reach its PreTranslateMessage after its members are gone.
    void RemoveMessagePreFilter();
    bool event(QEvent* event) override;

    CFixedScaleLayout m_layout;

private:
    void CreateControls();
    QWidget* CreateControl(const DialogItem& item);

    const DialogTemplate& m_template;
    bool m_bInitialised = false;
    bool m_bInitSucceeded = false;
    std::unique_ptr<CMessagePreFilter> m_preFilter;
};

}  // namespace ui
