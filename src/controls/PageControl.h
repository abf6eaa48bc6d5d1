// Pages with their tabs drawn as flat buttons in as many rows as the width needs.
#pragma once

#include <QWidget>
#include <vector>

class QButtonGroup;
class QFrame;
class QStackedWidget;
class QToolButton;

class TPageControl : public QWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // The page gets its tab at the end; its object name is the page's name.
    void AddPage(QWidget* page, const QString& caption);
    int PageCount() const;
    QWidget* Page(int index) const;
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    QWidget* ActivePage() const { return Page(ActivePageIndex()); }
    QToolButton* Tab(int index) const { return m_tabs.at(std::size_t(index)); }
    // Where the pages lie, below the tab rows.
    QRect PageArea();

signals:
    void ActivePageChanged(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void LayOut();

    std::vector<QToolButton*> m_tabs;
    QButtonGroup* m_group;
    QFrame* m_frame;
    QStackedWidget* m_pages;
    bool m_laidOut = false;
};
