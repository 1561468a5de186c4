#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "GridWindow.h"
#include "platform/data/MemTable.h"
#include "widgets/VnDBGrids.h"

// A grid in a window over a memory table of numbered items: ID, name, price, unit and date, in ID
// order. Rows are 18 pixels high with the test font, so the window shows a little over ten.
struct DBGridUiFixture : ::testing::Test, GridWindow {
    static constexpr int kRecords = 40;

    TMemTable table;
    TDataSource source{&table};

    void SetUp() override {
        table.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("Nazev"), ftString, 40);
        table.FieldDefs().Add(QStringLiteral("Cena"), ftFloat);
        table.FieldDefs().Add(QStringLiteral("Jednotka"), ftString, 10);
        table.FieldDefs().Add(QStringLiteral("Datum"), ftDate);
        table.CreateTable();
        for (int i = 1; i <= kRecords; ++i) {
            table.Append();
            table.FieldByName(QStringLiteral("ID"))->SetAsInteger(i);
            table.FieldByName(QStringLiteral("Nazev"))->SetAsString(QStringLiteral("Položka %1").arg(i));
            table.FieldByName(QStringLiteral("Cena"))->SetAsFloat(i * 10.5);
            table.FieldByName(QStringLiteral("Jednotka"))->SetAsString(QStringLiteral("ks"));
            table.FieldByName(QStringLiteral("Datum"))->SetAsDateTime(45000 + i);
            table.Post();
        }
        table.First();
        PlaceGrid(source, QStringLiteral("grdTest"), 420, 240);
        ShowWindow();
    }

    void TearDown() override { DeleteGrid(); }

    // Custom columns: each field name with a width.
    void UseColumns(std::initializer_list<std::pair<const char*, int>> columns) {
        grid->Columns().Clear();
        for (const auto& [name, width] : columns) {
            TColumn* column = grid->Columns().AddColumn();
            column->SetFieldName(QString::fromLatin1(name));
            column->SetWidth(width);
        }
        QApplication::processEvents();
    }

    int Id() const { return table.FieldByName(QStringLiteral("ID"))->AsInteger(); }
    QWidget* vp() const { return grid->viewport(); }
    QPoint CellCenter(int col, int row) const {
        const TRect r = grid->CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    QImage Grab() {
        QApplication::processEvents();
        return vp()->grab().toImage();
    }
    static TColor Pixel(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }
};
