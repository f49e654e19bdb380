// Where the main window puts its two pages: below its controls, the loop editor first and the
// equaliser under it, each 516 x 190 pixels; the window grows by 194 pixels for each page shown.
#include "app/QuorvelMainDlg.h"
#include "loop/QuorvelLoopPropertyPage.h"

namespace {

constexpr int kPageLeft = 10;
constexpr int kPageTop = 380;  // from the window's outer top edge
constexpr int kPageWidth = 516;
constexpr int kPageHeight = 190;
constexpr int kPageStep = 194;  // window height a shown page adds

}  // namespace

int CQuorvelMainDlg::CaptionHeight() const {
    return geometry().top() - frameGeometry().top();
}

void CQuorvelMainDlg::ResizeForPages() {
    resize(kWidth, kHeight + kPageStep * m_bLoopPageShown + kPageStep * m_bEqPageShown);
}

void CQuorvelMainDlg::OnLoopPageButton() {
    if (!m_pLoopPage) return;
    m_bLoopPageShown = !m_bLoopPageShown;
    m_pLoopPage->setGeometry(kPageLeft, kPageTop - CaptionHeight(), kPageWidth, kPageHeight);
    ResizeForPages();
    m_pLoopPage->setVisible(m_bLoopPageShown);
    if (m_bEqPageShown) {
        // The equaliser page moves down below the loop page, or up into its place.
        m_bEqPageShown = 0;
        OnEqPageButton();
        return;
    }
    ApplyWindowRegion();
    update();
}

void CQuorvelMainDlg::OnEqPageButton() {
    if (!m_pEqPage) return;
    m_bEqPageShown = !m_bEqPageShown;
    m_pEqPage->setGeometry(kPageLeft, kPageTop + kPageHeight * m_bLoopPageShown - CaptionHeight(),
                           kPageWidth, kPageHeight);
    ResizeForPages();
    m_pEqPage->setVisible(m_bEqPageShown);
    ApplyWindowRegion();
    update();
}
