#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "PriceListFixture.h"
#include "common/FilePermissions.h"
#include "core/Nastaveni.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/KartaZasobyObrazek.h"

namespace {

class KartaZasobyObrazekTest : public PriceListTest {
protected:
    void SetUp() override {
        PriceListTest::SetUp();
        savedFolder_ = PictureFolder;
        PictureFolder = Folder() + "DOKUMENTY/FIRMA/OBRAZKY/";
        QDir().mkpath(Folder() + "src");
    }
    void TearDown() override {
        PictureFolder = savedFolder_;
        PriceListTest::TearDown();
    }
    // A small picture file in the source folder.
    QString Picture(const QString& name, Qt::GlobalColor colour = Qt::red) {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = Folder() + "src/" + name;
        EXPECT_TRUE(image.save(path, "JPG"));
        return path;
    }
    static QColor PixelOf(const QString& path) { return QImage(path).pixelColor(1, 1); }

    QString savedFolder_;
};

}  // namespace

TEST_F(KartaZasobyObrazekTest, LongNamesAreCutBeforeTheirExtension) {
    struct Case {
        QString name, stored;
    };
    const Case kCases[] = {
        {QString(31, 'a') + ".jpg", QString(26, 'a') + ".jpg"},
        {QString(26, 'b') + ".jpg", QString(26, 'b') + ".jpg"},
        {QString(35, 'c'), QString(30, 'c')},
        {QString(28, 'd') + ".jpeg", QString(25, 'd') + ".jpeg"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(CutPictureName(c.name), c.stored);
    }
}

TEST_F(KartaZasobyObrazekTest, APictureIsCopiedIntoTheStoreUnderItsCutName) {
    const QString longName = QString(31, 'k') + ".jpg";
    const QString source = Picture(longName);
    const QString stored = QString(26, 'k') + ".jpg";
    dialogs_.ExpectWarning("\"" + stored + "\".");
    EXPECT_EQ(StorePicture(source, PictureStoreFolder()), stored);
    EXPECT_TRUE(QFile::exists(PictureStoreFolder() + stored)) << "the store folder is made with its parents";
    EXPECT_TRUE(QFile::exists(source)) << "the chosen file stays";

    // The file that already is the stored one is neither asked about nor copied.
    EXPECT_EQ(StorePicture(PictureStoreFolder() + stored, PictureStoreFolder()), stored);
    dialogs_.Verify();

    // Another file of the same name: No keeps the stored one, Yes replaces it.
    const QString other = Picture("zasuvka.jpg", Qt::blue);
    EXPECT_EQ(StorePicture(other, PictureStoreFolder()), "zasuvka.jpg");
    const QString newer = Folder() + "zasuvka.jpg";
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(newer, "JPG"));
    dialogs_.ExpectQuestion("zasuvka.jpg", false);
    EXPECT_EQ(StorePicture(newer, PictureStoreFolder()), "");
    EXPECT_GT(PixelOf(PictureStoreFolder() + "zasuvka.jpg").blue(), 200);
    dialogs_.ExpectQuestion("zasuvka.jpg", true);
    EXPECT_EQ(StorePicture(newer, PictureStoreFolder()), "zasuvka.jpg");
    EXPECT_GT(PixelOf(PictureStoreFolder() + "zasuvka.jpg").green(), 200);
}

TEST_F(KartaZasobyObrazekTest, AReplacementThatCannotBeCopiedLeavesTheStoredPictureAsItWas) {
    // Other items and the price-list print may show the stored picture: it must survive a failed
    // overwrite whole.
    EXPECT_EQ(StorePicture(Picture("zasuvka.jpg", Qt::blue), PictureStoreFolder()), "zasuvka.jpg");
    const QString unreadable = Folder() + "zasuvka.jpg";
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(unreadable, "JPG"));
    ASSERT_TRUE(QFile::setPermissions(unreadable, QFileDevice::Permissions()));
    const QString target = PictureStoreFolder() + "zasuvka.jpg";
    dialogs_.ExpectQuestion("zasuvka.jpg", true)
        .ExpectError(QString::fromUtf8(kPictureCopyFailed).arg(unreadable, target));
    {
        TFilePermissionsApply asUser;
        EXPECT_EQ(StorePicture(unreadable, PictureStoreFolder()), "");
    }
    QFile::setPermissions(unreadable, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::exists(target));
    EXPECT_GT(PixelOf(target).blue(), 200);
    EXPECT_EQ(QDir(PictureStoreFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{"zasuvka.jpg"})
        << "nothing half-copied is left in the store";
}

TEST_F(KartaZasobyObrazekTest, AFileInAFolderNamedLikeTheStoreInOtherLetterCaseIsCopied) {
    // Folder names differ by letter case only: on this system they are two folders, so the chosen
    // file is not the stored one and must be copied, or the item would point at nothing.
    const QString lower = Folder() + "dokumenty/firma/obrazky/";
    QDir().mkpath(lower);
    const QString source = lower + "lampa.jpg";
    ASSERT_TRUE(QFile::copy(Picture("lampa.jpg"), source));
    EXPECT_EQ(StorePicture(source, PictureStoreFolder()), "lampa.jpg");
    EXPECT_TRUE(QFile::exists(PictureStoreFolder() + "lampa.jpg"));
}

TEST_F(KartaZasobyObrazekTest, AStoreThatCannotBeMadeIsReported) {
    const QString source = Picture("a.jpg");
    QFile blocker(Folder() + "blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString folder = Folder() + "blocked/OBRAZKY/";
    dialogs_.ExpectError(QString::fromUtf8(kPictureFolderFailed) + folder);
    EXPECT_EQ(StorePicture(source, folder), "");
}

TEST_F(KartaZasobyObrazekTest, ThePicturePageShowsTheFileOrThatItIsMissing) {
    TfrmKartaZasoby* card = TfrmKartaZasoby::Instance();
    card->ResetCard();
    card->ChoosePictureFile = [this](QWidget*) { return Picture("svitidlo.jpg"); };
    card->btnObrazek->click();
    EXPECT_EQ(card->btnObrazek->text(), QString::fromUtf8("Zpět (F2)"));
    EXPECT_FALSE(card->btnObrazekZrus->isEnabled());

    card->btnObrazekVyber->click();
    EXPECT_EQ(card->edtObrazek->text(), "svitidlo.jpg");
    EXPECT_FALSE(card->imgObrazek->pixmap().isNull());
    EXPECT_TRUE(card->btnObrazekZobraz->isEnabled());
    EXPECT_FALSE(card->lblObrazekChybi->isVisibleTo(card));

    // The file was removed from the store: the warning shows and only the link can go.
    QFile::remove(PictureStoreFolder() + "svitidlo.jpg");
    card->ShowPicture();
    EXPECT_TRUE(card->lblObrazekChybi->isVisibleTo(card));
    EXPECT_TRUE(card->btnObrazekZrus->isEnabled());
    EXPECT_FALSE(card->btnObrazekZobraz->isEnabled());
    dialogs_.ExpectQuestion(QString::fromUtf8(kPictureUnlink), true);
    card->btnObrazekZrus->click();
    EXPECT_EQ(card->edtObrazek->text(), "");
    EXPECT_FALSE(card->lblObrazekChybi->isVisibleTo(card));

    dialogs_.ExpectInformation(PictureStoreFolder());
    card->lblUlozisteClick();
    card->btnObrazek->click();
    EXPECT_EQ(card->btnObrazek->text(), QString::fromUtf8("Obrázek (F2)"));
}
