#include <gtest/gtest.h>

#include <QBuffer>

#include "addressbook/XUtils.h"

namespace {

// Records what happens to it in a log the test owns.
class Probe : public TRefObject {
public:
    Probe(QStringList& log, QString name) : log_(log), name_(std::move(name)) {}
    ~Probe() override { log_ << "destroyed " + name_; }
    void Dispose() override { log_ << "disposed " + name_; }

private:
    QStringList& log_;
    QString name_;
};

// Takes and drops a reference to itself while it dies, as a node does when the list it sits in
// is cleared under it.
class SelfReferencing : public TRefObject {
public:
    explicit SelfReferencing(int& destroyed) : destroyed_(destroyed) {}
    ~SelfReferencing() override {
        AddRef();
        Release();
        ++destroyed_;
    }

private:
    int& destroyed_;
};

}  // namespace

TEST(XUtils, EscapeAndUnescape) {
    struct Case {
        QString text;
        QString escaped;
    };
    const Case kCases[] = {
        {"", ""},
        {"plain", "plain"},
        {"a & b", "a &amp; b"},
        {"<a href=\"x\">'y'</a>", "&lt;a href=&quot;x&quot;&gt;&apos;y&apos;&lt;/a&gt;"},
        // The ampersand of an entity the text already holds is escaped too.
        {"&lt;", "&amp;lt;"},
        {"Příliš žluťoučký kůň & spol.", "Příliš žluťoučký kůň &amp; spol."},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(XmlEscapeText(c.text), c.escaped);
        EXPECT_EQ(XmlUnescapeText(c.escaped), c.text);
    }
}

TEST(XUtils, UnescapeDecodesOnlyThePredefinedEntities) {
    struct Case {
        QString text;
        QString unescaped;
    };
    const Case kCases[] = {
        // "&amp;" is decoded last, so what it leaves is not decoded a second time.
        {"&amp;lt;", "&lt;"},   {"&amp;amp;", "&amp;"},       {"&#65;&#x42;&nbsp;", "&#65;&#x42;&nbsp;"},
        {"&LT;&lt", "&LT;&lt"}, {"&quot;&apos;&gt;", "\"'>"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(XmlUnescapeText(c.text), c.unescaped);
    }
}

TEST(XUtils, ReferencesKeepAnObjectAliveUntilTheLastGoes) {
    QStringList log;
    TRef<Probe> first(new Probe(log, "p"));
    EXPECT_EQ(first->RefCount(), 1);
    {
        TRef<Probe> second = first;
        EXPECT_EQ(first->RefCount(), 2);
    }
    EXPECT_TRUE(log.isEmpty());

    TRef<Probe> moved = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_EQ(moved->RefCount(), 1);
    const TRef<Probe>& same = moved;
    moved = same;  // assigning an object its only reference must not free it
    EXPECT_TRUE(log.isEmpty());
    moved.Reset();
    EXPECT_EQ(log, QStringList{"destroyed p"});
}

TEST(XUtils, RefInitAssignClearDispose) {
    QStringList log;
    auto* a = new Probe(log, "a");
    auto* b = new Probe(log, "b");

    TRef<Probe> var;
    EXPECT_FALSE(RefInit<Probe>(var, nullptr));
    EXPECT_TRUE(RefInit(var, a));
    EXPECT_EQ(a->RefCount(), 1);

    EXPECT_FALSE(RefAssign(var, a));
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_TRUE(RefAssign(var, b));
    EXPECT_EQ(log, QStringList{"destroyed a"});

    TRef<Probe> other(b);
    RefClear(var);
    EXPECT_FALSE(var);
    EXPECT_EQ(b->RefCount(), 1);

    // Dispose runs while the object is still whole, then the variable's reference goes.
    RefDispose(other);
    EXPECT_FALSE(other);
    EXPECT_EQ(log, (QStringList{"destroyed a", "disposed b", "destroyed b"}));
    RefDispose(other);  // an empty variable is left alone
}

TEST(XUtils, DestructorThatTouchesItsOwnCountRunsOnce) {
    int destroyed = 0;
    TRef<SelfReferencing> ref(new SelfReferencing(destroyed));
    ref.Reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(XUtils, OwningListFreesItsItemsLastFirst) {
    QStringList log;
    class ProbeList : public TXList<Probe> {};
    {
        ProbeList list;
        list.Add(new Probe(log, "1"));
        list.Add(new Probe(log, "2"));
        list.Insert(0, new Probe(log, "0"));
        list.Add(new Probe(log, "3"));
        EXPECT_EQ(list.Count(), 4);

        Probe* extracted = list.Extract(3);
        EXPECT_EQ(list.IndexOf(extracted), -1);
        EXPECT_TRUE(log.isEmpty());
        delete extracted;

        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        list.Add(new Probe(log, "4"));
    }
    EXPECT_EQ(log, (QStringList{"destroyed 3", "destroyed 2", "destroyed 1", "destroyed 0", "destroyed 4"}));
}

TEST(XUtils, ListIndexOutOfRangeIsAnError) {
    TRefObjectList<> list;
    EXPECT_THROW(list.Item(0), EXmlError);
    EXPECT_THROW(list.Insert(1, nullptr), EXmlError);
    EXPECT_THROW(list.Delete(-1), EXmlError);
}

TEST(XUtils, ReferenceListHoldsCountedReferences) {
    QStringList log;
    TRef<Probe> kept(new Probe(log, "kept"));
    {
        TRefObjectList<Probe> list;
        list.Add(kept.get());
        list.Add(new Probe(log, "only"));
        EXPECT_EQ(kept->RefCount(), 2);

        // Extracting the only reference hands the object over instead of freeing it under us.
        TRef<Probe> out = list.Extract(1);
        EXPECT_TRUE(log.isEmpty());
        EXPECT_EQ(out->RefCount(), 1);
        out.Reset();
        EXPECT_EQ(log, QStringList{"destroyed only"});
    }
    EXPECT_EQ(kept->RefCount(), 1);
    EXPECT_EQ(log, QStringList{"destroyed only"});
}

TEST(XUtils, TextReaderReadsEveryByteAcrossRefills) {
    const QByteArray bytes(
        "ab\0c\xff\xfe"
        "defgh",
        11);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);

    TTextReader reader(&buffer, 3);
    QByteArray read;
    while (!reader.Eof()) {
        EXPECT_EQ(reader.PeekChar(), bytes.at(read.size()));
        read.append(reader.ReadChar());
    }
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(reader.ReadChar(), '\0');
    EXPECT_TRUE(reader.Eof());
}

TEST(XUtils, TextReaderOnAnEmptyOrClosedStream) {
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    TTextReader atEnd(&empty, 0);
    EXPECT_TRUE(atEnd.Eof());
    EXPECT_EQ(atEnd.ReadChar(), '\0');

    // A device that refuses to read ends the text like its end does.
    QBuffer closed;
    closed.setData("<a/>");
    TTextReader unreadable(&closed, 100000);
    EXPECT_TRUE(unreadable.Eof());
}
