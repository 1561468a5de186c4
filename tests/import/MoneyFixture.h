#pragma once

// Documents of the accounting program for the import tests: rows of its three tables with the
// fields the import reads, and the folders with the (empty) data files the import looks for on
// disk before it asks the server for them.

#include <QDir>
#include <QFile>
#include <QVariantMap>

#include "common/FakeBFTable.h"
#include "platform/text/OleDate.h"

struct TMoneyDocument {
    int Cislo;
    QString Doklad;
    QString Druh = "N";
    int Vyrizeno = 0;
};

inline QVariantMap MoneyHeader(const TMoneyDocument& d) {
    return {{"Cislo", d.Cislo},
            {"Doklad", d.Doklad},
            {"Druh dokl.", d.Druh},
            {"Vyrizeno", d.Vyrizeno},
            {"Popis", QString::fromUtf8("Objednávka materiálu ") + d.Doklad},
            {"PlatPodm", QString::fromUtf8("převodem")},
            {"Doprava", QString::fromUtf8("vlastní")},
            {"Zakazka", "ZAK-17"},
            {"Vystaveno", DateTimeToOle(QDate(2026, 11, 30))},
            {"Vyridit do", 0},
            {"O_NazevOb", QString::fromUtf8("Stavby Novák s.r.o.")},
            {"O_UliceOb", QString::fromUtf8("Tovární 8")},
            {"O_PscOb", "779 00"},
            {"O_MestoOb", "Olomouc"},
            {"A_ICO", "25874123"},
            {"A_DIC", "CZ25874123"},
            {"A_Jmeno", QString::fromUtf8("Ing. Pavel Novák")},
            {"TextPredPo", QString::fromUtf8("Objednáváme u Vás:\r\nkabely a jističe")},
            {"TextZaPol", QString()},
            {"Poznamka", QString::fromUtf8("dodat do pátku")},
            {"SazbaDPH2", 21},
            {"SazbaDPH1", 12},
            {"Celkem", 4105.45},
            {"Zaklad0", 0},
            {"Zaklad5", 100},
            {"Zaklad22", 3000.5}};
}

struct TMoneyItem {
    int Cislo;
    int Poradi;
    QString Popis;
    double SlevaZakl;
    double PocetMJ;
    int CenaSDPH = 0;
    double Sleva = 0;
    double SazbaDPH = 21;
    int CisloZas = 0;
    int MasterCisl = 0;
    QString TypPolozky = "Z";
};

inline QVariantMap MoneyItem(const TMoneyItem& i) {
    return {{"Cislo", i.Cislo},
            {"MasterCisl", i.MasterCisl},
            {"TypPolozky", i.TypPolozky},
            {"Cislo Zas.", i.CisloZas},
            {"Sklad", 1},
            {"Popis", i.Popis},
            {"Katalog", "K" + QString::number(i.Cislo * 100 + i.Poradi)},
            {"BarCode", "859" + QString::number(i.Cislo * 100 + i.Poradi)},
            {"Poznamka", QString()},
            {"PLU", QString()},
            {"Zkratka", QString()},
            {"Sazba DPH", i.SazbaDPH},
            {"Cena s DPH", i.CenaSDPH},
            {"Poradi", i.Poradi},
            {"SlevaZakl", i.SlevaZakl},
            {"Sleva", i.Sleva},
            {"PocetMJ", i.PocetMJ},
            {"MJ", "ks"}};
}

inline QVariantMap MoneyCard(int sklad, int cislo, double lastPurchase) {
    return {{"Sklad", sklad}, {"Cislo", cislo}, {"Posl.N.Cen", lastPurchase}};
}

// The year's and the agenda's folders under root, with the three data files on disk and the
// same tables on the fake server.
struct TMoneyData {
    QString year, agenda;  // with a trailing "/"
    TFakeBFServer server;

    explicit TMoneyData(const QString& root)
        : year(root + "/ucetnictvi/2026/"), agenda(root + "/ucetnictvi/") {
        QDir().mkpath(year);
        for (const QString& path : {Headers(), Items(), Cards()}) {
            QFile file(path + ".dat");
            file.open(QIODevice::WriteOnly);
            server.files[path];
        }
    }
    QString Headers() const { return year + "ObSezObj"; }
    QString Items() const { return year + "ObPolObj"; }
    QString Cards() const { return agenda + "SkSezZas"; }

    void Add(const TMoneyDocument& d) { server.files[Headers()].push_back(MoneyHeader(d)); }
    void Add(const TMoneyItem& i) { server.files[Items()].push_back(MoneyItem(i)); }
    void AddCard(int sklad, int cislo, double lastPurchase) {
        server.files[Cards()].push_back(MoneyCard(sklad, cislo, lastPurchase));
    }
};
