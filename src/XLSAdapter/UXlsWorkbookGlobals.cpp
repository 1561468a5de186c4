#include "XLSAdapter/UXlsWorkbookGlobals.h"

#include <QIODevice>

#include "XLSAdapter/XlsMessages.h"

TWorkbookGlobals::TWorkbookGlobals() = default;

void TWorkbookGlobals::Clear() {
    TBaseSection::Clear();
    SST = TSST();
    References.Clear();
    BoundSheets.Clear();
    SheetNames.Clear();
    HeadRecords.Clear();
    Names.Clear();
    DrawingGroup.Clear();
    Window1 = nullptr;
    XFs.Clear();
    Fonts.Clear();
    Formats.Clear();
    Palette = nullptr;
    PaletteInsertPos = 0;
}

qint64 TWorkbookGlobals::TotalSize() {
    // The sub-lists stand in HeadRecords with no size of their own; they are counted here.
    return TBaseSection::TotalSize() + HeadRecords.TotalSize() + XFs.TotalSize() + Fonts.TotalSize() +
           Formats.TotalSize() + BoundSheets.TotalSize() + References.TotalSize() + Names.TotalSize() +
           DrawingGroup.TotalSize() + SST.TotalSize();
}

void TWorkbookGlobals::LoadFromStream(QIODevice& stream, std::unique_ptr<TBaseRecord> bof) {
    BOF = std::move(bof);
    bool haveXF = false, haveFont = false, haveFormat = false;
    for (;;) {
        std::unique_ptr<TBaseRecord> r = ReadSectionRecord(stream);
        quint16 id = r->Id;
        if (id == xlr::XF && !haveXF) {
            HeadRecords.Add(std::make_unique<TSubListRecord>(&XFs));
            haveXF = true;
        } else if (id == xlr::FONT && !haveFont) {
            HeadRecords.Add(std::make_unique<TSubListRecord>(&Fonts));
            haveFont = true;
        } else if (id == xlr::FORMAT && !haveFormat) {
            HeadRecords.Add(std::make_unique<TSubListRecord>(&Formats));
            haveFormat = true;
        }
        if (id == xlr::PALETTE) Palette = static_cast<TPaletteRecord*>(r.get());
        if (id == xlr::XF || id == xlr::STYLE) PaletteInsertPos = HeadRecords.Count();

        switch (id) {
            case xlr::BOF:
                XlsError(XlsMessages::ErrExcelInvalid);
            case xlr::BOUNDSHEET:
                SheetNames.Add(static_cast<TBoundSheetRecord&>(*r).SheetName());
                BoundSheets.Add(std::move(r));
                continue;
            case xlr::NAME:
                Names.Add(std::move(r));
                continue;
            case xlr::XF:
                XFs.Add(std::move(r));
                continue;
            case xlr::FONT:
                Fonts.Add(std::move(r));
                continue;
            case xlr::FORMAT:
                Formats.Add(std::move(r));
                continue;
            case xlr::EOF_:
                EOF_ = std::move(r);
                return;
            case xlr::SST:
                SST.LoadFromRecord(static_cast<TSSTRecord&>(*r));
                continue;
            case xlr::SUPBOOK:
                References.AddSupBook(std::move(r));
                continue;
            case xlr::EXTERNSHEET:
                References.AddExternSheet(*r);
                continue;
            case xlr::MSODRAWINGGROUP:
                DrawingGroup.LoadFromStream(stream, std::move(r));
                continue;
            default:
                break;
        }
        if (dynamic_cast<TIgnoreRecord*>(r.get())) continue;
        if (id == xlr::WINDOW1) Window1 = static_cast<TWindow1Record*>(r.get());
        HeadRecords.Add(std::move(r));
    }
}

void TWorkbookGlobals::SaveToStream(QIODevice& stream) {
    CheckLoaded();
    BOF->SaveToStream(stream);
    HeadRecords.SaveToStream(stream);
    BoundSheets.SaveToStream(stream);
    References.SaveToStream(stream);
    Names.SaveToStream(stream);
    DrawingGroup.SaveToStream(stream);
    SST.SaveToStream(stream, StreamOffset);
    EOF_->SaveToStream(stream);
}

void TWorkbookGlobals::SetSheetName(int n, const QString& name) {
    qint64 before = BoundSheet(n)->TotalSize();
    BoundSheet(n)->SetSheetName(name);
    BoundSheets.AdjustTotalSize(BoundSheet(n)->TotalSize() - before);
}

void TWorkbookGlobals::InsertSheets(int copyFrom, int beforeSheet, int count) {
    quint16 options = SheetOptions(copyFrom);
    for (int k = 0; k < count; ++k)
        BoundSheets.Insert(beforeSheet, std::make_unique<TBoundSheetRecord>(
                                            options, SheetNames.AddUniqueName(QStringLiteral("Sheet"))));
}

void TWorkbookGlobals::SetActiveSheet(int n) {
    if (Window1) Window1->SetActiveSheet(quint16(n));
}

TColor TWorkbookGlobals::PaletteColor(int index) const {
    return Palette ? Palette->GetColor(index) : DefaultColor(index);
}

void TWorkbookGlobals::SetPaletteColor(int index, TColor color) {
    if (!Palette) {
        auto palette = std::make_unique<TPaletteRecord>();
        Palette = palette.get();
        HeadRecords.Insert(std::min(PaletteInsertPos, HeadRecords.Count()), std::move(palette));
    }
    qint64 before = Palette->TotalSize();
    Palette->SetColor(index, color);
    HeadRecords.AdjustTotalSize(Palette->TotalSize() - before);
}
