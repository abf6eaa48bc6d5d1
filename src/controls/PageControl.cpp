#include "controls/PageControl.h"

#include <QButtonGroup>
#include <QFrame>
#include <QKeyEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <algorithm>

namespace {
constexpr int TabHeight = 22;
} // namespace

TPageControl::TPageControl(QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this)), m_frame(new QFrame(this)),
      m_pages(new QStackedWidget(m_frame)) {
    m_group->setExclusive(true);
    m_frame->setFrameShape(QFrame::StyledPanel);
    connect(m_group, &QButtonGroup::idClicked, this,
            [this](int index) { SetActivePageIndex(index); });
    // The keys every tabbed dialog answers to.
    const auto step = [this](int by) {
        if (PageCount() > 0)
            SetActivePageIndex((ActivePageIndex() + by + PageCount()) % PageCount());
    };
    for (const auto& [keys, by] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [step, by = by] { step(by); });
    }
}

void TPageControl::AddPage(QWidget* page, const QString& caption) {
    auto* tab = new QToolButton(this);
    tab->setObjectName(QStringLiteral("Tab") + page->objectName());
    tab->setText(caption);
    tab->setCheckable(true);
    tab->setAutoRaise(true);
    tab->setFixedHeight(TabHeight);
    tab->installEventFilter(this);
    tab->setFocusPolicy(m_tabs.empty() ? Qt::TabFocus : Qt::NoFocus);
    m_group->addButton(tab, int(m_tabs.size()));
    m_tabs.push_back(tab);
    m_pages->addWidget(page);
    if (m_tabs.size() == 1)
        tab->setChecked(true);
    // Measuring every tab for every page added would lay out the same tabs again and again; a
    // hidden control is laid out once, when it is shown.
    m_laidOut = false;
    if (isVisible())
        LayOut();
}

int TPageControl::PageCount() const {
    return m_pages->count();
}

QWidget* TPageControl::Page(int index) const {
    return m_pages->widget(index);
}

int TPageControl::ActivePageIndex() const {
    return m_pages->currentIndex();
}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= PageCount())
        return;
    QToolButton* tab = m_tabs[std::size_t(index)];
    // Only the tab of the page that shows takes the focus, so Tab enters the tabs there and a
    // screen reader names that page; the keyboard follows a page turned under it.
    const QWidget* focused = window()->focusWidget();
    if (focused != tab && std::find(m_tabs.begin(), m_tabs.end(), focused) != m_tabs.end())
        tab->setFocus(Qt::TabFocusReason);
    for (QToolButton* other : m_tabs)
        other->setFocusPolicy(other == tab ? Qt::TabFocus : Qt::NoFocus);
    tab->setChecked(true);
    if (index == m_pages->currentIndex())
        return;
    m_pages->setCurrentIndex(index);
    emit ActivePageChanged(index);
}

bool TPageControl::eventFilter(QObject* watched, QEvent* e) {
    // The arrows turn the pages from the focused tab, as in any tab bar.
    if (e->type() == QEvent::KeyPress && watched == Tab(ActivePageIndex())) {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->modifiers() == Qt::NoModifier) {
            const int by = key->key() == Qt::Key_Left || key->key() == Qt::Key_Up      ? -1
                           : key->key() == Qt::Key_Right || key->key() == Qt::Key_Down ? 1
                                                                                       : 0;
            if (by != 0) {
                SetActivePageIndex(ActivePageIndex() + by);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

QRect TPageControl::PageArea() {
    if (!m_laidOut)
        LayOut();
    return m_frame->geometry();
}

void TPageControl::resizeEvent(QResizeEvent*) {
    LayOut();
}

void TPageControl::showEvent(QShowEvent*) {
    if (!m_laidOut)
        LayOut();
}

void TPageControl::LayOut() {
    m_laidOut = true;
    // Tabs fill a row from the left and wrap to a new row when the next one would not fit.
    int x = 0;
    int row = 0;
    for (QToolButton* tab : m_tabs) {
        const int w = tab->sizeHint().width() + 8;
        if (x > 0 && x + w > width()) {
            x = 0;
            ++row;
        }
        tab->setGeometry(x, row * TabHeight, w, TabHeight);
        x += w;
    }
    const int top = m_tabs.empty() ? 0 : (row + 1) * TabHeight + 2;
    m_frame->setGeometry(0, top, width(), std::max(0, height() - top));
    m_pages->setGeometry(m_frame->contentsRect());
}
