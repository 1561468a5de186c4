#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "widgets/VnDBGrids.h"

// A data grid in a shown window, with a second control beside it where the focus can go.
// Fixtures delete the grid in their TearDown, before the table and the source it shows.
struct GridWindow {
    QWidget window;
    QWidget other;  // somewhere else the focus can go
    TVnDBGrid* grid = nullptr;

    void PlaceGrid(TDataSource& source, const QString& name, int width, int height) {
        grid = new TVnDBGrid(&window);
        grid->setObjectName(name);
        grid->setGeometry(0, 0, width, height);
        other.setParent(&window);
        other.setFocusPolicy(Qt::StrongFocus);
        other.setGeometry(width + 10, 0, 20, 20);
        window.resize(width + 40, height + 20);
        grid->SetDataSource(&source);
    }

    void ShowWindow() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        grid->setFocus();
        QApplication::processEvents();
    }

    void DeleteGrid() {
        delete grid;
        grid = nullptr;
    }
};
