// The flat speed button of the bar and the renderer that draws its glyph and caption.
#pragma once

#include "controls/ControlTypes.h"
#include "platform/Colors.h"
#include "platform/Graphics.h"

#include <QAbstractButton>
#include <QImage>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QAction>
#include <QMenu>

// The looks of a button, in the order of the cells of a glyph picture.
enum class FaceState { up = 0, disabled = 1, down = 2, exclusive = 3, inactive = 4 };

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TRxDropDownMenuPos { dmpBottom, dmpRight };
enum TPopupAlignment { paLeft, paRight, paCenter };

// Images of one size with their masks, handed out by slot. A freed slot keeps its image until it
// is taken again, so slots never move and other owners' slots stay valid.
class TGlyphList {
public:
    TGlyphList(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Count() const { return int(m_images.size()); }
    int LiveCount() const { return m_liveCount; }
    bool SlotInUse(int slot) const;

    int TakeSlot();
    // Stores picture (its top-left part of the list's size) with every pixel of colour key
    // transparent; answers the slot.
    int AddKeyed(const platform::TBitmap& picture, TColor key);
    void FreeSlot(int slot);

    // The image of a slot as 32-bit ARGB, transparent where the mask says.
    const QImage& Image(int slot) const { return m_images.at(std::size_t(slot)); }
    void Draw(QPainter& painter, int slot, int x, int y) const;

private:
    int m_width;
    int m_height;
    std::vector<QImage> m_images;
    std::vector<bool> SlotsInUse;
    int m_liveCount = 0;
};

class TGlyphCache {
public:
    // The newest list of that image size, or a new one.
    TGlyphList* ListFor(int width, int height);
    // Releases the list once no slot of it is in use.
    void DropList(TGlyphList* list);
    bool IsEmpty() const { return m_lists.empty(); }
    int Count() const { return int(m_lists.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> m_lists;
};

// Shared by every renderer; exists while some renderer may need it.
extern std::unique_ptr<TGlyphCache> SharedGlyphCache;

// Where LayoutFace puts things, in the canvas's coordinates.
struct TFaceLayout {
    QPoint GlyphPos;
    QRect CaptionBox;
    QString Caption; // as it will be drawn: fitted and shortened
};

// Shortens text with "..." until it is no wider than width on the canvas; "..." alone when
// nothing shorter fits.
QString EllipsizeText(const QPainter& canvas, const QString& text, int width);

class TRxButtonGlyph {
public:
    TRxButtonGlyph();
    ~TRxButtonGlyph();
    TRxButtonGlyph(const TRxButtonGlyph&) = delete;
    TRxButtonGlyph& operator=(const TRxButtonGlyph&) = delete;

    const platform::TBitmap& Glyph() const { return SourcePicture; }
    // Replaces the picture and forgets its finer versions.
    void SetGlyph(const platform::TBitmap& picture);
    // The same drawing at scale times the size (2, 3), drawn in the picture's place on canvases
    // of that pixel density: the smallest scale that reaches the canvas's density, else the
    // largest, smoothly fitted to the picture's size.
    void SetFinerGlyph(int scale, const platform::TBitmap& picture);
    // The same, read by load when a canvas of that density first needs it: most screens never
    // do, and the finer drawings are four and nine times the pixels.
    void SetFinerGlyphSource(int scale, std::function<platform::TBitmap()> load);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int value);
    TColor KeyColor() const { return m_keyColor; }
    TGlyphList* CellList() const { return m_cellList; }

    // The slot of a look's image in CellList, made on first use; -1 for an empty picture.
    int StateImage(FaceState look);
    void DropImages();

    TFaceLayout LayoutFace(const QPainter& canvas, const QRect& face, const QString& caption,
                           TButtonLayout layout, int margin, int spacing, bool dropArrow);
    // First 255 characters; without WordWrap every line is shortened to width.
    QString FitCaption(const QPainter& canvas, const QString& caption, int width) const;
    // Lays out and draws glyph, caption and drop-down arrow into face. textFlags are the
    // canvas text flags for the alignment and reading order; textColor the font's colour.
    TFaceLayout DrawFace(QPainter& canvas, const QRect& face, FaceState look,
                         const QString& caption, TButtonLayout layout, int margin, int spacing,
                         unsigned textFlags, const QColor& textColor, bool dropArrow);

    bool WordWrap = false;
    TAlignment Alignment = taCenter;
    std::function<void()> OnGlyphChange;

private:
    void PictureChanged();
    void DrawCaption(QPainter& canvas, const QString& caption, const QRect& box, FaceState look,
                     unsigned textFlags, const QColor& textColor) const;
    void DrawGlyph(QPainter& canvas, QPoint at, FaceState look);
    // Cell n of the picture, as 32-bit RGB.
    QImage Cell(int n) const;
    // Makes a look's image into CellList; answers its slot.
    int AddLook(FaceState look);
    // The box the fitted caption takes, at the origin, within room.
    QRect MeasureCaption(const QPainter& canvas, const QString& caption, QSize room) const;

    platform::TBitmap SourcePicture;
    int m_numGlyphs = 1;
    TColor m_keyColor = clFuchsia;
    TGlyphList* m_cellList = nullptr;
    std::array<int, 5> StateIndex{-1, -1, -1, -1, -1};
    // By scale, smallest first.
    struct Finer {
        int scale;
        std::function<platform::TBitmap()> load;
        std::unique_ptr<TRxButtonGlyph> art;
    };
    // By scale, smallest first.
    std::vector<Finer> m_finer;
    TRxButtonGlyph* FinerArt(Finer& finer);
};

// A tool-bar push button: flat until the pointer is over it, optionally transparent, with glyph
// cells for each look, groups, auto-repeat and a menu. Qt's button gives it the press, the click
// and its signals, auto-repeat, group exclusivity and what a screen reader is told.
class TRxSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TRxSpeedButton(QWidget* parent = nullptr);

    // An icon (Qt's own, 16 x 16 unless iconSize says otherwise) stands this far from the
    // button's left edge, with the caption in the room to its right; greyed with the caption.
    static constexpr int IconMargin = 4;

    QString Caption() const { return text(); }
    void SetCaption(const QString& value);
    // A caption struck through in the grey-text colour: still readable, plainly not as the
    // others, as for an item whose program is gone.
    bool StrikeOut() const { return m_strikeOut; }
    void SetStrikeOut(bool value);
    // The colour of a struck-out caption; the grey-text colour until the owner, who knows what
    // lies behind the button, gives one that reads there.
    void SetStrikeOutColor(const QColor& value);
    // What a screen reader calls the button instead of its caption (an empty item's "Empty");
    // empty: the caption, or the hint when there is no caption.
    void SetSpokenName(const QString& value);
    const platform::TBitmap& Glyph() const { return GlyphPainter->Glyph(); }
    void SetGlyph(const platform::TBitmap& value);
    void SetFinerGlyph(int scale, const platform::TBitmap& value);
    void SetFinerGlyphSource(int scale, std::function<platform::TBitmap()> load);
    int NumGlyphs() const { return GlyphPainter->NumGlyphs(); }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int value);
    TAlignment Alignment() const { return GlyphPainter->Alignment; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return GlyphPainter->WordWrap; }
    void SetWordWrap(bool value);
    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    bool GrayedInactive() const { return m_grayedInactive; }
    void SetGrayedInactive(bool value);
    TButtonStyle Style() const { return m_style; }
    void SetStyle(TButtonStyle value);
    // Buttons of one parent with the same group number keep at most one of them down.
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int value);
    bool Down() const { return isChecked(); }
    void SetDown(bool value);
    // Shared by the whole group: the last value set on any of its buttons.
    bool AllowAllUp() const;
    void SetAllowAllUp(bool value);
    bool AllowTimer() const { return autoRepeat(); }
    void SetAllowTimer(bool value) { setAutoRepeat(value); }
    int InitPause() const { return autoRepeatDelay(); }
    void SetInitPause(int value) { setAutoRepeatDelay(value); }
    int RepeatInterval() const { return autoRepeatInterval(); }
    void SetRepeatInterval(int value) { setAutoRepeatInterval(value); }
    QMenu* DropDownMenu() const { return m_dropDownMenu; }
    void SetDropDownMenu(QMenu* value);
    TRxDropDownMenuPos MenuPosition() const { return m_menuPosition; }
    void SetMenuPosition(TRxDropDownMenuPos value) { m_menuPosition = value; }
    // Which point of the menu meets the button: its left edge, its right edge or its middle.
    TPopupAlignment MenuAlignment() const { return m_menuAlignment; }
    void SetMenuAlignment(TPopupAlignment value) { m_menuAlignment = value; }
    bool MarkDropDown() const { return m_markDropDown; }
    void SetMarkDropDown(bool value);
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int value) { m_modalResult = value; }
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& value);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool value) { m_showHint = value; }
    bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool value) { m_parentShowHint = value; }
    // True: the caption font is the parent's and follows it.
    bool ParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    void SetParentFont(bool value);
    // A number for the owner's use; the bar keeps each launch button's number here.
    int Tag() const { return m_tag; }
    void SetTag(int value) { m_tag = value; }
    QAction* Action() const { return m_action; }
    void SetAction(QAction* value);

    // The look of the button as it stands, never inactive: that one is the paint's alone.
    FaceState State() const;
    bool Hot() const { return m_hot; }
    bool Pressing() const { return m_pressing; }
    TRxButtonGlyph& Painter() { return *GlyphPainter; }

    // Clicks as a release over the button does, at once; a disabled button does nothing.
    void Click() { click(); }
    // Shows the drop-down menu as a press would; answers whether one was shown.
    bool CheckMenuDropdown();

signals:
    // Any mouse button pressed or released on the button and every move over it, before the
    // button's own handling of them.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    void mouseMoved(Qt::KeyboardModifiers modifiers, QPoint at);
    // The hot look came or went: the pointer entered or left while the program is in front.
    void mouseEntered();
    void mouseLeft();
    // A double click on a button of a group that is down.
    void doubleClicked();

protected:
    // Draws glyph, caption and arrow within face; overridable like every face painter.
    virtual void DrawFace(QPainter& canvas, const QRect& face, FaceState look, bool dropArrow);

    // The row just below the button still counts, as it always has for these buttons.
    bool hitButton(const QPoint& pos) const override;
    void nextCheckState() override;
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void PaintFace(QPainter& canvas);
    void HandlePress(QMouseEvent* e, bool doubleClick);
    void FinishMenuPress(QPoint at);
    void UpdateTracking();
    void SetHot(bool value);
    void JoinGroup();
    void RaiseOthers();
    void Clicked();
    bool ShowMenu(bool byCode);
    QPoint MenuPoint(int menuWidth) const;
    void ActionChanged();
    void UpdateAccessibleName();
    void Invalidate() { update(); }

    std::unique_ptr<TRxButtonGlyph> GlyphPainter;

    bool m_strikeOut = false;
    QColor m_strikeOutColor;
    QString m_spokenName;
    TButtonLayout m_layout = blGlyphTop;
    int m_margin = -1;
    int m_spacing = 1;
    bool m_flat = false;
    bool m_transparent = false;
    bool m_grayedInactive = true;
    TButtonStyle m_style = bsAutoDetect;
    int m_groupIndex = 0;
    bool m_allowAllUp = false; // while in no group
    QPointer<QMenu> m_dropDownMenu;
    TRxDropDownMenuPos m_menuPosition = dmpBottom;
    TPopupAlignment m_menuAlignment = paLeft;
    bool m_markDropDown = true;
    int m_modalResult = 0;
    int m_tag = 0;
    bool m_showHint = true;
    bool m_parentShowHint = false;
    QPointer<QAction> m_action;

    bool m_focusFrame = false;
    bool m_hot = false;
    bool m_pressing = false;
    bool m_menuShowing = false;
    bool m_repeating = false;
};

// Draws the frame of a button face and answers the face rectangle inside it: one pixel more
// than the frames took from every side.
QRect DrawFrame(QPainter& canvas, QRect r, bool pressed, bool flat, TButtonStyle style);
