#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/data/MemTable.h"
#include "widgets/VnDBGrids.h"

// A price-list-like table in a shown grid: records numbered ID 1..n with a name, a price, a date
// and a flag, and a window tall enough for a known number of rows.
struct DBGridFixture : ::testing::Test {
    QWidget window;
    TMemTable table;
    TDataSource source{&table};
    TVnDBGrid* grid = nullptr;

    void Build(int records) {
        table.FieldDefs().Clear();
        table.FieldDefs().Add("ID", ftInteger);
        table.FieldDefs().Add("Nazev", ftString, 40);
        table.FieldDefs().Add("Cena", ftFloat);
        table.FieldDefs().Add("Datum", ftDateTime);
        table.FieldDefs().Add("Aktivni", ftBoolean);
        table.CreateTable();
        for (int i = 1; i <= records; ++i) {
            table.Append();
            table.FieldByName("ID")->SetAsInteger(i);
            table.FieldByName("Nazev")->SetAsString(QStringLiteral("Položka %1").arg(i));
            table.FieldByName("Cena")->SetAsFloat(i * 10.5);
            table.Post();
        }
        table.First();
    }

    // A grid of the given client height (before the title row and borders are taken).
    void MakeGrid(int height = 240, int width = 500) {
        grid = new TVnDBGrid(&window);
        grid->setObjectName("dbgGrid");
        grid->setGeometry(0, 0, width, height);
        window.resize(width + 20, height + 20);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // The grid goes before the table and the source it shows.
    void TearDown() override {
        delete grid;
        grid = nullptr;
    }

    // Rows with data under the titles.
    int DataRows() { return grid->RowCount() - grid->TitleOffset(); }
    qint64 CurrentId() { return table.FieldByName("ID")->AsLargeInt(); }
    void GoToId(qint64 id) { ASSERT_TRUE(table.Locate("ID", id)); }
    // The record shown on a data row, read as a painting handler reads it.
    qint64 IdOnRow(int dataRow) {
        TGridDataLink* link = grid->DataLink();
        const int saved = link->ActiveRecord();
        link->SetActiveRecord(dataRow);
        const qint64 id = table.FieldByName("ID")->AsLargeInt();
        link->SetActiveRecord(saved);
        return id;
    }
};
