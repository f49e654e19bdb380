// Where the main window puts its pages: below its controls, the loop editor first and under it
// the equaliser or the practice page, one of the two at a time in the same place. Each page is
// 516 x 190 pixels; the window grows by 194 pixels for each page shown.
#include "app/QuorvelMainDlg.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "practice/QuorvelPracticePage.h"

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
    resize(kWidth, kHeight + kPageStep * m_bLoopPageShown + kPageStep * (m_pLowerPage ? 1 : 0));
}

void CQuorvelMainDlg::OnLoopPageButton() {
    if (!m_pLoopPage) return;
    m_bLoopPageShown = !m_bLoopPageShown;
    m_pLoopPage->setGeometry(kPageLeft, kPageTop - CaptionHeight(), kPageWidth, kPageHeight);
    m_pLoopPage->setVisible(m_bLoopPageShown);
    // The lower page moves down below the loop page, or up into its place.
    ShowLowerPage(m_pLowerPage);
}

void CQuorvelMainDlg::OnEqPageButton() {
    if (m_pEqPage) ShowLowerPage(m_pLowerPage == m_pEqPage ? nullptr : m_pEqPage);
}

void CQuorvelMainDlg::OnPracticePageButton() {
    if (m_pPracticePage)
        ShowLowerPage(m_pLowerPage == m_pPracticePage ? nullptr : m_pPracticePage);
}

void CQuorvelMainDlg::ShowLowerPage(QWidget* page) {
    if (m_pLowerPage && m_pLowerPage != page) m_pLowerPage->hide();
    m_pLowerPage = page;
    if (page)
        page->setGeometry(kPageLeft,
                          kPageTop + kPageHeight * m_bLoopPageShown - CaptionHeight(),
                          kPageWidth, kPageHeight);
    ResizeForPages();
    if (page) page->show();
    ApplyWindowRegion();
    update();
}
