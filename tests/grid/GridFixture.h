#pragma once
// A small order list in memory, the grid bound to it, and helpers to look
// at the grid's picture.
#include <QApplication>
#include <QImage>
#include <QStringList>
#include <QStyleFactory>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/dataset/TableEngine.h"
#include "grid/wwDBGrid.h"

namespace gridtest {

inline std::vector<ColumnDesc> OrderColumns() {
    auto text = [](const char *name, int size) {
        ColumnDesc c;
        c.name = name;
        c.type = DataType::String;
        c.size = size;
        return c;
    };
    // The query's order: the selection mark comes last.
    return {text("MASTERBILLID", 20), text("BILL_DATE", 10), text("FR_DATE", 10), text("CUST_ID", 10),
            text("CUST_NAME", 50),    text("PD_DEPID", 10),  text("SELECT_YN", 1)};
}

inline QStringList OrderColumnList() {
    return {QStringLiteral("SELECT_YN\t1\t選"),           QStringLiteral("MASTERBILLID\t20\t單號\tT"),
            QStringLiteral("BILL_DATE\t10\t單據日期\tT"), QStringLiteral("FR_DATE\t10\t到貨日期\tT"),
            QStringLiteral("CUST_ID\t10\t客戶代號\tT"),   QStringLiteral("CUST_NAME\t50\t客戶名稱\tT"),
            QStringLiteral("PD_DEPID\t10\t部門\tT")};
}

inline QStringList OrderControlType() { return {QStringLiteral("SELECT_YN;CheckBox;Y;N")}; }

// The order list and its data source; rows are filled before a grid is
// linked, so filling costs nothing on the screen.
struct OrderList {
    TClientDataSet set{"ClientDataSet1"};
    TDataSource source{"DataSource1"};

    OrderList() { source.SetDataSet(&set); }

    void Fill(int rows, const std::vector<ColumnDesc> &columns = OrderColumns()) {
        set.CreateDataSet(columns);
        for (int i = 0; i < rows; ++i) {
            set.Append();
            for (const ColumnDesc &c : columns) {
                TField *f = set.FieldNamed(c.name);
                if (c.name == "SELECT_YN")
                    f->SetString("N");
                else if (c.name == "MASTERBILLID")
                    f->SetString("SO" + std::to_string(100000 + i));
                else if (c.name == "BILL_DATE" || c.name == "FR_DATE")
                    f->SetString("2024/01/15");
                else if (c.name == "CUST_NAME")
                    f->SetString("Customer " + std::to_string(i));
                else
                    f->SetString(c.name.substr(0, 2) + std::to_string(i % 100));
            }
            set.Post();
        }
        if (rows > 0) set.First();
    }

    void SelectAll(const std::string &mark = "Y") {
        set.First();
        while (!set.AtEnd()) {
            set.Edit();
            set.FieldNamed("SELECT_YN")->SetString(mark);
            set.Post();
            set.Next();
        }
    }
};

// The grid as the window sets it up, in the classic style unless asked.
inline std::unique_ptr<TwwDBGrid> MakeGrid(QSize size = {686, 328}, bool classic = true) {
    auto grid = std::make_unique<TwwDBGrid>();
    grid->setObjectName(QStringLiteral("wwDBGrid1"));
    if (classic) grid->setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    grid->SetSelected(OrderColumnList());
    grid->SetControlType(OrderControlType());
    grid->resize(size);
    return grid;
}

inline void ShowAndWait(QWidget *w) {
    w->show();
    QApplication::processEvents();
    (void)QTest::qWaitForWindowExposed(w);
    QApplication::processEvents();
}

// The grid's client area as the grid paints it now.
inline QImage Picture(TwwCustomDBGrid *grid) {
    return grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb Rgb(const QImage &image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
inline QRgb Rgb(const QColor &c) { return c.rgb() & 0xFFFFFF; }

// Whether any pixel of the rectangle has the colour.
inline bool Contains(const QImage &image, const QRect &rect, QRgb color) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (Rgb(image, x, y) == color) return true;
    return false;
}

}  // namespace gridtest
