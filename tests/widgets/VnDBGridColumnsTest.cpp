#include "VnDBGridFixture.h"

namespace {

using DBGridColumnsTest = DBGridFixture;

TEST_F(DBGridColumnsTest, CustomColumnTitlesFollowTheFieldLabel) {
    Build(2);
    table.FieldByName("Nazev")->SetDisplayLabel("Název položky");
    table.FieldByName("Cena")->SetDisplayLabel("Cena Kč");
    MakeGrid();
    grid->SetDataSource(&source);
    TDBGridColumns& columns = grid->Columns();
    columns.Clear();
    TColumn* column = columns.AddColumn();
    EXPECT_EQ(columns.State(), csCustom);
    column->SetFieldName("Nazev");
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(column->BoundField(), table.FieldByName("Nazev"));
    EXPECT_EQ(column->Title()->Caption(), QString::fromUtf8("Název položky"));

    // Another field at run time: the title shows its label at once.
    column->SetFieldName("Cena");
    EXPECT_EQ(column->BoundField(), table.FieldByName("Cena"));
    EXPECT_EQ(column->Title()->Caption(), QString::fromUtf8("Cena Kč"));
    EXPECT_EQ(grid->GetCellText(column), "10,5");

    // A caption of its own wins over the label.
    column->Title()->SetCaption("Cena");
    column->SetFieldName("Nazev");
    EXPECT_EQ(column->Title()->Caption(), "Cena");

    // A name the dataset lacks leaves the column empty, titled by the name.
    TColumn* unknown = columns.AddColumn();
    unknown->SetFieldName("Neni");
    EXPECT_EQ(unknown->BoundField(), nullptr);
    EXPECT_EQ(unknown->Title()->Caption(), "Neni");
    EXPECT_EQ(grid->GetCellText(unknown), "");
    EXPECT_EQ(grid->ColCount(), 2 + grid->IndicatorOffset());

    // Clearing custom columns gives the default ones again.
    columns.Clear();
    EXPECT_EQ(columns.State(), csDefault);
    EXPECT_EQ(columns.Count(), 5);
}

TEST_F(DBGridColumnsTest, HiddenColumnWidthAndItsRestore) {
    Build(2);
    MakeGrid();
    grid->SetDataSource(&source);
    struct Case {
        TDBGridOptions options;
        int hidden;
    };
    const TDBGridOptions base = dgTitles | dgIndicator | dgRowLines;
    const Case cases[] = {
        {base | dgColLines, -1},
        {base | dgColLines | dgFlatLines, 0},
        {base, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        grid->SetOptions(c.options);
        TColumn* column = grid->Columns().ColumnAt(1);
        column->SetWidth(90);
        const int raw = grid->DataToRawColumn(1);
        EXPECT_EQ(grid->ColWidths(raw), 90);
        column->SetVisible(false);
        EXPECT_EQ(column->Width(), c.hidden);
        EXPECT_EQ(grid->ColWidths(raw), c.hidden);
        column->SetVisible(true);
        EXPECT_EQ(column->Width(), 90);
        EXPECT_EQ(grid->ColWidths(raw), 90);
    }
    // Without a grid a hidden column reads -1.
    TDBGridColumns loose(nullptr);
    TColumn* column = loose.AddColumn();
    EXPECT_EQ(column->Width(), 64);
    column->SetVisible(false);
    EXPECT_EQ(column->Width(), -1);
}

TEST_F(DBGridColumnsTest, UnsetAttributesFollowTheGrid) {
    Build(1);
    MakeGrid();
    grid->SetDataSource(&source);
    grid->Columns().AddColumn()->SetFieldName("Cena");
    TColumn* column = grid->Columns().ColumnAt(0);

    EXPECT_EQ(column->Color(), grid->Color());
    // Set to what it would follow anyway: marked set, yet nothing to store.
    column->SetColor(grid->Color());
    EXPECT_TRUE(column->AssignedValues() & cvColor);
    EXPECT_FALSE(column->IsColorStored());
    grid->SetColor(clYellow);
    EXPECT_EQ(column->Color(), clWindow);
    column->SetColor(clRed);
    EXPECT_TRUE(column->IsColorStored());
    column->RestoreDefaults();
    EXPECT_EQ(column->AssignedValues(), 0u);
    EXPECT_EQ(column->Color(), clYellow);

    EXPECT_EQ(column->Title()->Color(), grid->FixedColor());
    column->Title()->SetColor(clAqua);
    EXPECT_EQ(column->Title()->Color(), clAqua);
    EXPECT_EQ(column->Title()->Font(), grid->TitleFont());
    QFont big = grid->font();
    big.setPointSize(14);
    grid->SetTitleFont(big);
    EXPECT_EQ(column->Title()->Font(), big);

    EXPECT_EQ(column->Alignment(), table.FieldByName("Cena")->Alignment());
    column->Title()->SetAlignment(taRightJustify);
    EXPECT_EQ(column->Title()->Alignment(), taRightJustify);

    // The pick list exists once read.
    EXPECT_FALSE(column->HasPickList());
    EXPECT_TRUE(column->PickList()->isEmpty());
    EXPECT_TRUE(column->HasPickList());
}

TEST_F(DBGridColumnsTest, PositionsAndIndexErrors) {
    Build(1);
    MakeGrid();
    grid->SetDataSource(&source);
    TDBGridColumns& columns = grid->Columns();
    columns.RebuildColumns();
    EXPECT_EQ(columns.State(), csCustom);
    ASSERT_EQ(columns.Count(), 5);
    TColumn* price = columns.ColumnAt(2);
    price->FooterPanel()->SetText("suma");
    price->SetIndex(0);
    EXPECT_EQ(columns.ColumnAt(0), price);
    EXPECT_EQ(columns.ColumnAt(1)->FieldName(), "ID");
    EXPECT_EQ(columns.ColumnAt(2)->FieldName(), "Nazev");
    // The footer cell stands under its column wherever that goes.
    EXPECT_EQ(price->FooterPanel()->GetColumnIndex(), grid->DataToRawColumn(0));
    EXPECT_EQ(columns.ColumnAt(4)->FooterPanel()->GetColumnIndex(), grid->DataToRawColumn(4));
    EXPECT_EQ(grid->GetCellText(columns.ColumnAt(0)), "10,5");

    EXPECT_THROW(columns.ColumnAt(5), EInvalidGridOperation);
    EXPECT_THROW(columns.ColumnAt(-1), EInvalidGridOperation);
}

TEST_F(DBGridColumnsTest, FooterRowShowsAndHides) {
    Build(30);
    MakeGrid(240);
    grid->SetDataSource(&source);
    const int rows = grid->DataLink()->BufferCount();
    TColumn* price = grid->Columns().ColumnAt(2);
    price->FooterPanel()->SetVisible(true);
    price->FooterPanel()->SetText("315,00");
    grid->Footer().SetVisible(true);
    EXPECT_GT(grid->Footers().TotalHeight(), 0);
    // The band takes room from the rows.
    EXPECT_LT(grid->DataLink()->BufferCount(), rows);
    grid->Footer().SetVisible(false);
    EXPECT_EQ(grid->Footers().TotalHeight(), 0);
    EXPECT_EQ(grid->DataLink()->BufferCount(), rows);
    EXPECT_EQ(price->FooterPanel()->DefaultFont(), price->Font());
}

TEST_F(DBGridColumnsTest, AssignedColumnsAreCustomCopies) {
    Build(1);
    MakeGrid();
    grid->SetDataSource(&source);
    TDBGridColumns layout(nullptr);
    TColumn* a = layout.AddColumn();
    a->SetFieldName("Cena");
    a->SetWidth(77);
    a->SetDisplayFormat(",0.00");
    a->Title()->SetCaption("Cena");
    a->SetIndexed(true);
    grid->SetColumns(layout);
    ASSERT_EQ(grid->Columns().Count(), 1);
    TColumn* b = grid->Columns().ColumnAt(0);
    EXPECT_TRUE(b->Stored());
    EXPECT_EQ(b->BoundField(), table.FieldByName("Cena"));
    EXPECT_EQ(b->Width(), 77);
    EXPECT_EQ(grid->ColWidths(grid->DataToRawColumn(0)), 77);
    EXPECT_EQ(b->Title()->Caption(), "Cena");
    EXPECT_TRUE(b->Indexed());
    EXPECT_EQ(grid->GetCellText(b), "10,50");
}

}  // namespace
