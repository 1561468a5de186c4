#include "widgets/VnDBGridInplace.h"

#include <qdrawutil.h>

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "widgets/VnDBGrids.h"

namespace {

// Floating lists stay above the form without ever taking the activation or the focus from it.
constexpr Qt::WindowFlags kFloatingFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
constexpr int kMinItemHeight = 11;
// The frame the list draws around its items, on both sides together.
constexpr int kListFrame = 4;

void MakeFloating(QListWidget* list) {
    list->setWindowFlags(kFloatingFlags);
    list->setAttribute(Qt::WA_ShowWithoutActivating);
    list->setFocusPolicy(Qt::NoFocus);
    list->setFrameShape(QFrame::Box);
    list->setLineWidth(1);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setUniformItemSizes(true);
    list->hide();
}

// A window system that activates every window it shows is overruled: the activation goes back to
// the form of the editor, which keeps the keyboard while its list is open.
void HandBackActivation(QWidget* list, QEvent* event) {
    if (event->type() != QEvent::WindowActivate || !list->parentWidget()) return;
    QWidget* form = list->parentWidget()->window();
    if (form && form != list && form->isVisible()) form->activateWindow();
}

// The editor's own list taking the activation is no reason to close it.
bool ListIsActive(const QWidget* list) { return list && QApplication::activeWindow() == list; }

qint64 SystemTicks() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

void RaiseGridError(const QString& message) { throw EInvalidGridOperation(message); }

// ---- pick list -------------------------------------------------------------------------------------------

TPopupListbox::TPopupListbox(QWidget* owner) : QListWidget(owner), TickCount(SystemTicks) {
    MakeFloating(this);
}

int TPopupListbox::ItemHeight() const { return std::max(kMinItemHeight, fontMetrics().height()); }

void TPopupListbox::SetItems(const QStringList& items) {
    clear();
    addItems(items);
    const int height = ItemHeight();
    for (int i = 0; i < count(); ++i) item(i)->setSizeHint(QSize(0, height));
}

bool TPopupListbox::event(QEvent* event) {
    HandBackActivation(this, event);
    return QListWidget::event(event);
}

void TPopupListbox::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const QChar c = text.isEmpty() ? QChar() : text.front();
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Escape) {
        searchText_.clear();
    } else if (!c.isNull() && c.unicode() >= 32 && c.isPrint()) {
        // Every printable character of the station's code page searches, Czech letters included.
        const qint64 now = TickCount();
        if (now - searchTickCount_ > kSearchTimeout) searchText_.clear();
        searchTickCount_ = now;
        if (searchText_.size() < kMaxSearchText) searchText_ += c;
        for (int i = 0; i < count(); ++i) {
            if (item(i)->text().startsWith(searchText_, Qt::CaseInsensitive)) {
                setCurrentRow(i);
                break;
            }
        }
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TPopupListbox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (OnListMouseUp) OnListMouseUp(viewport()->rect().contains(event->position().toPoint()));
}

// ---- lookup list -----------------------------------------------------------------------------------------

TPopupDataList::TPopupDataList(QWidget* owner) : QListWidget(owner) { MakeFloating(this); }

int TPopupDataList::RowHeight() const { return std::max(kMinItemHeight, fontMetrics().height()); }

void TPopupDataList::SetListSource(TDataSource* source) {
    listSource_ = source;
    Fill();
}

void TPopupDataList::Fill() {
    clear();
    TDataSet* ds = listSource_ ? listSource_->DataSet() : nullptr;
    if (!ds || !ds->Active() || ds->IsEmpty()) return;
    TField* key = ds->FindField(keyField_);
    TField* shown = ds->FindField(listField_);
    if (!key || !shown) return;
    // The list reads every record; the lookup dataset is left where it stood.
    const TBookmark place = ds->GetBookmark();
    for (ds->First(); !ds->Eof(); ds->Next()) {
        auto* row = new QListWidgetItem(shown->DisplayText(), this);
        row->setData(Qt::UserRole, key->Value());
        row->setSizeHint(QSize(0, RowHeight()));
    }
    if (ds->BookmarkValid(place)) ds->GotoBookmark(place);
}

QVariant TPopupDataList::KeyValue() const {
    const QListWidgetItem* chosen = currentItem();
    return chosen ? chosen->data(Qt::UserRole) : QVariant();
}

void TPopupDataList::SetKeyValue(const QVariant& value) {
    setCurrentRow(-1);
    if (!value.isValid()) return;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(Qt::UserRole) == value) {
            setCurrentRow(i);
            return;
        }
    }
}

bool TPopupDataList::event(QEvent* event) {
    HandBackActivation(this, event);
    return QListWidget::event(event);
}

void TPopupDataList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (OnListMouseUp) OnListMouseUp(viewport()->rect().contains(event->position().toPoint()));
}

// ---- the editor ------------------------------------------------------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TVnCustomDBGrid* grid)
    : TInplaceEdit(grid),
      grid_(grid),
      buttonWidth_(grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid)),
      lookupSource_(std::make_unique<TDataSource>()) {
    setMouseTracking(true);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        // Coming from elsewhere than the grid, the grid's current row loses its unfocused look now.
        if (now == this && old != grid_) grid_->InvalidateRow(grid_->Row());
    });
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() {
    // The lists read through the source, which goes first.
    if (dataList_) dataList_->SetListSource(nullptr);
}

QRect TDBGridInplaceEdit::ButtonRect() const {
    if (editStyle_ == esSimple) return {};
    if (layoutDirection() == Qt::RightToLeft) return QRect(0, 0, buttonWidth_, height());
    return QRect(width() - buttonWidth_, 0, buttonWidth_, height());
}

std::array<QRect, 3> TDBGridInplaceEdit::EllipsisDots(const QRect& button, bool pressed) {
    const int w = button.width() > 7 ? button.width() / 8 : 1;
    const int shift = pressed ? 1 : 0;
    const int x = button.left() + (button.width() - w) / 2 + shift;
    const int y = button.top() + (button.height() - w) / 2 + shift;
    return {QRect(x - 2 * w, y, w, w), QRect(x, y, w, w), QRect(x + 2 * w, y, w, w)};
}

void TDBGridInplaceEdit::SetEditStyle(TEditStyle value) {
    if (value == editStyle_) return;
    editStyle_ = value;
    switch (value) {
        case esPickList:
            if (!pickList_) {
                pickList_ = new TPopupListbox(this);
                pickList_->OnListMouseUp = [this](bool inside) { ListMouseUp(inside); };
            }
            activeList_ = pickList_;
            break;
        case esDataList:
            if (!dataList_) {
                dataList_ = new TPopupDataList(this);
                dataList_->OnListMouseUp = [this](bool inside) { ListMouseUp(inside); };
            }
            activeList_ = dataList_;
            break;
        default:
            activeList_ = nullptr;
            break;
    }
    BoundsChanged();
    update();
}

void TDBGridInplaceEdit::UpdateContents() {
    TColumn* column = grid_->SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    TEditStyle style = esSimple;
    bool readOnly = false;
    if (column) {
        readOnly = column->ReadOnly();
        switch (column->ButtonStyle()) {
            case cbsEllipsis:
                style = esEllipsis;
                break;
            case cbsNone:
                break;
            case cbsAuto: {
                TField* key = field && field->FieldKind() == fkLookup && field->DataSet()
                                  ? field->DataSet()->FindField(field->KeyFields())
                                  : nullptr;
                const bool keyEditable = key && !key->ReadOnly() && key->DataSet()->CanModify();
                if (keyEditable && !column->ReadOnly()) {
                    style = grid_->ReadOnly() || !grid_->DataLink()->Active() ? esSimple : esDataList;
                } else if (column->HasPickList() && !column->PickList()->isEmpty() && !column->ReadOnly()) {
                    style = esPickList;
                }
                // No field of ours refers to another record or holds a nested table, the kinds that
                // would take the ellipsis here.
                break;
            }
        }
    }
    SetEditStyle(style);
    setReadOnly(readOnly);
    TInplaceEdit::UpdateContents();
    if (column) setFont(column->Font());
}

void TDBGridInplaceEdit::BoundsChanged() {
    // With flat lines the grid draws no line to the right and below: the editor leaves them room.
    if ((grid_->Options() & dgFlatLines) && !shrinking_) {
        shrinking_ = true;
        resize(width() - 1, height() - 1);
        shrinking_ = false;
    }
    int left = 2, right = 2;
    if (editStyle_ != esSimple) {
        if (layoutDirection() == Qt::RightToLeft)
            left += buttonWidth_ - 2;
        else
            right += buttonWidth_;
    }
    setTextMargins(left, 2, right, 0);
    update();
}

void TDBGridInplaceEdit::paintEvent(QPaintEvent* event) {
    TInplaceEdit::paintEvent(event);
    if (editStyle_ == esSimple) return;
    QPainter painter(this);
    PaintButton(painter);
}

void TDBGridInplaceEdit::PaintButton(QPainter& painter) {
    const QRect button = ButtonRect();
    QPalette pal = palette();
    pal.setColor(QPalette::Button, ToQColor(clBtnFace));
    pal.setColor(QPalette::Light, ToQColor(clBtnHighlight));
    pal.setColor(QPalette::Midlight, ToQColor(cl3DLight));
    pal.setColor(QPalette::Dark, ToQColor(clBtnShadow));
    pal.setColor(QPalette::Shadow, ToQColor(cl3DDkShadow));
    if (editStyle_ == esEllipsis) {
        if (pressed_) {
            painter.fillRect(button, pal.button());
            qDrawPlainRect(&painter, button, pal.dark().color(), 1);
        } else {
            qDrawWinButton(&painter, button, pal, false, &pal.button());
        }
        for (const QRect& dot : EllipsisDots(button, pressed_)) painter.fillRect(dot, Qt::black);
        return;
    }
    // The drop-down arrow, greyed while the style has no list to drop.
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = button;
    option.palette = pal;
    option.state = QStyle::State_Raised;
    if (activeList_)
        option.state |= QStyle::State_Enabled;
    else
        option.state &= ~QStyle::State_Enabled;
    if (pressed_) option.state = (option.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
    if (pressed_) {
        painter.fillRect(button, pal.button());
        qDrawPlainRect(&painter, button, pal.dark().color(), 1);
    } else {
        qDrawWinButton(&painter, button, pal, false, &pal.button());
    }
    QStyleOption arrow = option;
    arrow.rect = button.adjusted(3, 3, -3, -3).translated(pressed_ ? 1 : 0, pressed_ ? 1 : 0);
    if (!activeList_) arrow.palette.setColor(QPalette::ButtonText, ToQColor(clGrayText));
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

// ---- the lists -------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::OpenList() {
    if (listVisible_ || !activeList_) return;
    TColumn* column = grid_->SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    activeList_->setFixedWidth(width());
    const int rows = column ? std::max(1, column->DropDownRows()) : 7;
    int height = 0;
    if (activeList_ == dataList_) {
        dataList_->setPalette(palette());
        dataList_->setFont(font());
        dataList_->SetRowCount(rows);
        lookupSource_->SetDataSet(field ? field->LookupDataSet() : nullptr);
        dataList_->SetKeyField(field ? field->LookupKeyFields() : QString());
        dataList_->SetListField(field ? field->LookupResultField() : QString());
        dataList_->SetListSource(lookupSource_.get());
        TField* key = field && field->DataSet() ? field->DataSet()->FindField(field->KeyFields()) : nullptr;
        dataList_->SetKeyValue(key ? key->Value() : QVariant());
        height = rows * dataList_->RowHeight() + kListFrame;
    } else {
        pickList_->setPalette(palette());
        pickList_->setFont(font());
        pickList_->SetItems(column && column->HasPickList() ? *column->PickList() : QStringList());
        height = std::min<int>(pickList_->count(), rows) * pickList_->ItemHeight() + kListFrame;
        pickList_->setCurrentRow(-1);
        if (field && !field->IsNull()) {
            const QString current = field->AsString();
            for (int i = 0; i < pickList_->count(); ++i) {
                if (pickList_->item(i)->text() == current) {
                    pickList_->setCurrentRow(i);
                    break;
                }
            }
        }
        // The list grows to show its widest text whole.
        int widest = 0;
        for (int i = 0; i < pickList_->count(); ++i)
            widest = std::max(widest, pickList_->fontMetrics().horizontalAdvance(pickList_->item(i)->text()));
        const int needed = widest + kListFrame +
                           2 * pickList_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) +
                           (pickList_->count() > rows ? buttonWidth_ : 0);
        if (needed > width()) pickList_->setFixedWidth(needed);
    }
    activeList_->setFixedHeight(std::max(height, kListFrame));
    QPoint place = mapToGlobal(QPoint(0, this->height()));
    const QScreen* screen = this->screen();
    if (screen && place.y() + activeList_->height() > screen->geometry().bottom() + 1)
        place.setY(mapToGlobal(QPoint(0, 0)).y() - activeList_->height());
    activeList_->move(place);
    activeList_->show();
    listVisible_ = true;
    update();
    setFocus(Qt::OtherFocusReason);
}

void TDBGridInplaceEdit::CloseList(bool accept) {
    if (!listVisible_) return;
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    StopTracking();
    listTakesMouse_ = false;
    QVariant value;
    QListWidget* list = activeList_;
    if (list == dataList_) {
        value = dataList_->KeyValue();
    } else if (list == pickList_ && pickList_->currentItem() && pickList_->currentItem()->isSelected()) {
        value = pickList_->currentItem()->text();
    }
    list->hide();
    listVisible_ = false;
    if (list == dataList_) dataList_->SetListSource(nullptr);
    lookupSource_->SetDataSet(nullptr);
    update();
    if (!accept) return;
    TColumn* column = grid_->SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    if (list == dataList_) {
        TField* key = field && field->DataSet() ? field->DataSet()->FindField(field->KeyFields()) : nullptr;
        if (key && !key->ReadOnly() && key->DataSet()->CanModify()) {
            key->DataSet()->Edit();
            key->SetValue(value);
        }
    } else if (value.isValid() && grid_->CanEditModify()) {
        // The chosen text goes in as if typed, so that the grid stores it with the record.
        setText(value.toString());
        selectAll();
        grid_->SetEditText(grid_->Col(), grid_->Row(), text());
        grid_->DataLink()->UpdateRecord();
    }
}

// ---- keyboard --------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (editStyle_ == esPickList || editStyle_ == esDataList) {
        if (listVisible_ && (enter || key == Qt::Key_Escape) && !(mods & Qt::AltModifier)) {
            CloseList(enter);
            event->accept();
            return;
        }
        if ((key == Qt::Key_Up || key == Qt::Key_Down) && (mods & Qt::AltModifier)) {
            if (listVisible_)
                CloseList(true);
            else
                OpenList();
            event->accept();
            return;
        }
        if (listVisible_ && activeList_) {
            // Typing searches the list; it never has the focus, so it is handed the key.
            QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text());
            QCoreApplication::sendEvent(activeList_, &copy);
            event->accept();
            return;
        }
    } else if (editStyle_ == esEllipsis && enter && mods == Qt::ControlModifier) {
        grid_->EditButtonClick();
        event->accept();
        return;
    }
    TInplaceEdit::keyPressEvent(event);
}

// ---- mouse -----------------------------------------------------------------------------------------------

bool TDBGridInplaceEdit::OverList(const QPointF& globalPos) const {
    return listVisible_ && activeList_ && activeList_->geometry().contains(globalPos.toPoint());
}

void TDBGridInplaceEdit::SendMouseToList(QEvent::Type type, QMouseEvent* event) {
    QWidget* target = activeList_->viewport();
    const QPointF local = target->mapFromGlobal(event->globalPosition());
    QMouseEvent copy(type, local, event->globalPosition(), Qt::LeftButton,
                     type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton),
                     event->modifiers());
    QCoreApplication::sendEvent(target, &copy);
}

void TDBGridInplaceEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && editStyle_ != esSimple &&
        ButtonRect().contains(event->position().toPoint())) {
        if (listVisible_) {
            CloseList(false);
        } else {
            tracking_ = true;
            TrackButton(event->position().toPoint());
            if (activeList_) OpenList();
        }
        event->accept();
        return;
    }
    if (listVisible_) CloseList(false);
    TInplaceEdit::mousePressEvent(event);
}

void TDBGridInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (editStyle_ != esSimple && ButtonRect().contains(event->position().toPoint())) {
        event->accept();
        return;
    }
    TInplaceEdit::mouseDoubleClickEvent(event);
}

void TDBGridInplaceEdit::TrackButton(const QPoint& pos) {
    const bool over = ButtonRect().contains(pos);
    if (over != pressed_) {
        pressed_ = over;
        update(ButtonRect());
    }
}

void TDBGridInplaceEdit::StopTracking() {
    if (!tracking_) return;
    tracking_ = false;
    pressed_ = false;
    update(ButtonRect());
}

void TDBGridInplaceEdit::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    setCursor(editStyle_ != esSimple && ButtonRect().contains(pos) ? Qt::ArrowCursor : Qt::IBeamCursor);
    if (listTakesMouse_ && listVisible_) {
        SendMouseToList(QEvent::MouseMove, event);
        return;
    }
    if (tracking_) {
        TrackButton(pos);
        if (OverList(event->globalPosition())) {
            StopTracking();
            listTakesMouse_ = true;
            SendMouseToList(QEvent::MouseButtonPress, event);
        }
        return;
    }
    TInplaceEdit::mouseMoveEvent(event);
}

void TDBGridInplaceEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (listTakesMouse_) {
        // The press went to the list: its release does too, and closes it through ListMouseUp.
        listTakesMouse_ = false;
        if (listVisible_) SendMouseToList(QEvent::MouseButtonRelease, event);
        return;
    }
    const bool wasPressed = pressed_;
    const bool wasTracking = tracking_;
    StopTracking();
    if (wasTracking) {
        if (editStyle_ == esEllipsis && event->button() == Qt::LeftButton && wasPressed)
            grid_->EditButtonClick();
        return;
    }
    TInplaceEdit::mouseReleaseEvent(event);
}

void TDBGridInplaceEdit::ListMouseUp(bool inside) { CloseList(inside); }

// ---- focus -----------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent* event) {
    // An open list never holds the focus: losing it means the user went elsewhere.
    if (listVisible_ && event->reason() != Qt::PopupFocusReason && !ListIsActive(activeList_))
        CloseList(false);
    TInplaceEdit::focusOutEvent(event);
    QWidget* focus = QApplication::focusWidget();
    if ((grid_->Options() & dgHighlightRow) && focus != grid_) grid_->InvalidateRow(grid_->Row());
}

bool TDBGridInplaceEdit::event(QEvent* event) {
    // Another window took the mouse (a menu, a dialog): the drop-down closes without a choice.
    if (event->type() == QEvent::UngrabMouse ||
        (event->type() == QEvent::WindowDeactivate && !ListIsActive(activeList_))) {
        if (listVisible_) CloseList(false);
        StopTracking();
    }
    return TInplaceEdit::event(event);
}

// ---- the grid's editing hooks ----------------------------------------------------------------------------

TDBGridInplaceEdit* TVnCustomDBGrid::InplaceEdit() const {
    return qobject_cast<TDBGridInplaceEdit*>(InplaceEditor());
}

TInplaceEdit* TVnCustomDBGrid::CreateEditor() { return new TDBGridInplaceEdit(this); }

bool TVnCustomDBGrid::CanEditShow() {
    // The windows' grids are read-only: they never open the editor, whatever their options say.
    return !ReadOnly() && LayoutLock() == 0 && TVnCustomGrid::CanEditShow();
}

bool TVnCustomDBGrid::CanEditAcceptKey(QChar key) {
    if (!DataLink()->Active()) return false;
    TColumn* column = SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    if (!field) return false;
    const TFieldType type = field->DataType();
    if (IsIntegerType(type)) return key.isDigit() || key == QLatin1Char('+') || key == QLatin1Char('-');
    if (IsFloatType(type))
        return key.isDigit() || QStringLiteral("+-,.eE ").contains(key) || key == QChar(0x00A0);
    return true;
}

bool TVnCustomDBGrid::CanEditModify() {
    if (ReadOnly() || !DataLink()->Active()) return false;
    TColumn* column = SelectedColumn();
    if (!column || column->ReadOnly()) return false;
    TField* field = column->BoundField();
    TDataSet* ds = DataLink()->DataSet();
    if (!field || !ds || field->ReadOnly() || !ds->CanModify()) return false;
    if (field->FieldKind() == fkLookup) {
        TField* key = ds->FindField(field->KeyFields());
        if (!key || key->ReadOnly()) return false;
    } else if (field->FieldKind() != fkData) {
        return false;
    }
    const TFieldType type = field->DataType();
    if (type == ftBlob || type == ftMemo || type == ftGraphic) return false;
    ds->Edit();
    if (ds->State() != dsEdit && ds->State() != dsInsert) return false;
    DataLink()->Modify();
    return true;
}

int TVnCustomDBGrid::GetEditLimit() {
    TColumn* column = SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    if (!field) return 0;
    const TFieldType type = field->DataType();
    return type == ftString || type == ftWideString ? field->Size() : 0;
}

QString TVnCustomDBGrid::GetEditText(int col, int) {
    const int index = RawToDataColumn(col);
    TColumn* column = index >= 0 && index < Columns().Count() ? Columns().ColumnAt(index) : nullptr;
    TField* field = column ? column->BoundField() : nullptr;
    editText_ = field ? field->AsString() : QString();
    return editText_;
}

void TVnCustomDBGrid::SetEditText(int, int, const QString& value) { editText_ = value; }

void TVnCustomDBGrid::RefreshEditor(TField* changed) {
    if (!EditorMode() || !InplaceEditor()) return;
    TColumn* column = SelectedColumn();
    TField* field = column ? column->BoundField() : nullptr;
    if (!field || (changed && changed != field)) return;
    if (field->AsString() == editText_) return;
    InvalidateEditor();
    if (InplaceEditor()) InplaceEditor()->Deselect();
}
