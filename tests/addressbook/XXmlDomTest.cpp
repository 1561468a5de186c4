#include <gtest/gtest.h>

#include <QBuffer>
#include <functional>

#include "addressbook/XXml.h"
#include "addressbook/XXmlDom.h"

namespace {

void LoadInto(TXmlDDocument& document, const QByteArray& text) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    document.LoadFromStream(buffer);
}

TRef<TXmlDDocument> Load(const QByteArray& text, bool preserveWhiteSpace = false) {
    const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
    document->SetPreserveWhiteSpace(preserveWhiteSpace);
    LoadInto(*document, text);
    return document;
}

// The message of the error the call raises, or "(no error)".
QString ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EXmlError& e) {
        return e.Message();
    }
    return "(no error)";
}

QStringList ChildNames(const TXmlDNode* node) {
    QStringList names;
    for (const TXmlDNode* child = node->FirstChild(); child; child = child->NextSibling())
        names << child->GetNodeName();
    return names;
}

// A reply of the company register, cut down to what the address book reads of it.
const char kRegisterReply[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- odpověď -->\n"
    "<are:Ares_odpovedi xmlns:are=\"http://example.invalid/are\" odpoved_datum_cas=\"2024-03-05T10:00:00\">\n"
    "  <are:Odpoved>\n"
    "    <are:Pocet_zaznamu>1</are:Pocet_zaznamu>\n"
    "    <are:Zaznam>\n"
    "      <are:Obchodni_firma>Stavební družstvo Žďár &amp; syn, s.r.o.</are:Obchodni_firma>\n"
    "      <are:ICO>27082440</are:ICO>\n"
    "      <are:Identifikace><are:Adresa_ARES>\n"
    "        <dtt:Nazev_obce>Čáslav</dtt:Nazev_obce>\n"
    "        <dtt:Nazev_ulice>Žitná</dtt:Nazev_ulice> <dtt:PSC>28601</dtt:PSC>\n"
    "      </are:Adresa_ARES></are:Identifikace>\n"
    "    </are:Zaznam>\n"
    "  </are:Odpoved>\n"
    "</are:Ares_odpovedi>\n";

}  // namespace

TEST(XXmlDom, FindsTheRegisterReplyByPrefixedNames) {
    const TRef<TXmlDDocument> document = Load(kRegisterReply);
    TXmlDElement* root = document->DocumentElement();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->QualifiedName(), "are:Ares_odpovedi");
    EXPECT_EQ(root->Prefix(), "are");
    EXPECT_EQ(root->LocalName(), "Ares_odpovedi");

    TXmlDNode* answer = root->FindChild("are:Odpoved");
    ASSERT_TRUE(answer);
    // Without its prefix the name matches nothing, and a grandchild is no child.
    EXPECT_EQ(answer->FindChild("Pocet_zaznamu"), nullptr);
    EXPECT_EQ(answer->FindChild("are:pocet_zaznamu"), nullptr);
    EXPECT_EQ(root->FindChild("are:Pocet_zaznamu"), nullptr);
    ASSERT_TRUE(answer->FindChild("are:Pocet_zaznamu"));
    EXPECT_EQ(answer->FindChild("are:Pocet_zaznamu")->GetText(), "1");

    TXmlDNode* record = answer->FindChild("are:Zaznam");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->FindChild("are:Obchodni_firma")->GetText(), "Stavební družstvo Žďár & syn, s.r.o.");
    TXmlDNode* address = record->FindChild("are:Identifikace")->FindChild("are:Adresa_ARES");
    ASSERT_TRUE(address);
    // The indentation between the address's elements is gone; a lone blank stays as text.
    EXPECT_EQ(ChildNames(address), (QStringList{"dtt:Nazev_obce", "dtt:Nazev_ulice", "#text", "dtt:PSC"}));
    EXPECT_EQ(address->FindChild("dtt:Nazev_obce")->GetText(), "Čáslav");
    EXPECT_EQ(ChildNames(document.get()), (QStringList{"xml", "#comment", "are:Ares_odpovedi"}));
}

TEST(XXmlDom, CzechTextSurvivesReadAndWrite) {
    const QByteArray text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><firma název=\"Kůň &amp; spol.\"><!-- úvod -->"
        "<obec>Čáslav – Ústí</obec><![CDATA[ďábelské ódy]]><prázdný/></firma>";
    const TRef<TXmlDDocument> document = Load(text);
    EXPECT_EQ(document->GetXml().toUtf8(), text);
    TXmlDElement* firm = document->DocumentElement();
    EXPECT_EQ(firm->GetAttributeNode("název")->Value(), "Kůň & spol.");
    EXPECT_EQ(firm->GetText(), "Čáslav – Ústíďábelské ódy");
}

TEST(XXmlDom, WhitespaceOnlyTextIsDroppedOnlyAroundALineBreak) {
    struct Case {
        QByteArray text;
        bool preserve;
        QString xml;
    };
    const Case kCases[] = {
        {"<a>\r\n  <b/>\n\t</a>", false, "<a><b/></a>"},      {"<a>\r</a>", false, "<a/>"},
        {"<a> <b/>\t</a>", false, "<a> <b/>\t</a>"},          {"<a>\n x\n</a>", false, "<a>\n x\n</a>"},
        {"<a>\r\n  <b/>\n</a>", true, "<a>\r\n  <b/>\n</a>"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Load(c.text, c.preserve)->GetXml(), c.xml);
    }
}

TEST(XXmlDom, EntitiesAreDecodedOnLoadingAndEscapedOnWriting) {
    const TRef<TXmlDDocument> document = Load("<a x=\"&amp;&lt;&quot;&#65;\">&amp;&apos;&gt;&#65;</a>");
    TXmlDElement* a = document->DocumentElement();
    EXPECT_EQ(a->GetAttributeNode("x")->Value(), "&<\"&#65;");
    EXPECT_EQ(a->GetText(), "&'>&#65;");
    // References other than the five predefined ones are text, so their ampersand is escaped.
    EXPECT_EQ(a->GetXml(), "<a x=\"&amp;&lt;&quot;&amp;#65;\">&amp;&apos;&gt;&amp;#65;</a>");
}

TEST(XXmlDom, WritesEveryKindOfNode) {
    struct Case {
        QByteArray text;
        QString xml;
    };
    const Case kCases[] = {
        {"<?xml version=\"1.0\"?><!--c--><r a=\"1\" b='2'><e/><f g=\"h\"/><![CDATA[<x>&]]><?p d?>t</r>",
         "<?xml version=\"1.0\"?><!--c--><r a=\"1\" b=\"2\"><e/><f g=\"h\"/><![CDATA[<x>&]]><?p d?>t</r>"},
        // The document type keeps its name only; its content is not modelled.
        {"<!DOCTYPE r [<!ENTITY e \"v\">]><r></r>", "<!DOCTYPE r []><r/>"},
        {"<r x=\"1\" x=\"2\"/>", "<r x=\"2\"/>"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Load(c.text)->GetXml(), c.xml);
    }
}

TEST(XXmlDom, TextOfANodeIgnoresCommentsAndInstructions) {
    const TRef<TXmlDDocument> document = Load("<a>x<!--c-->y<b>z<?p q?></b><![CDATA[w]]></a>");
    EXPECT_EQ(document->DocumentElement()->GetText(), "xyzw");
    EXPECT_EQ(document->GetText(), "xyzw");
    EXPECT_EQ(document->DocumentElement()->FirstChild()->NextSibling()->GetText(), "c");
}

TEST(XXmlDom, TruncatedInputLoadsWhatItHolds) {
    struct Case {
        QByteArray text;
        QString xml;
    };
    const Case kCases[] = {
        {"<a><b x=\"1\">te", "<a><b x=\"1\">te</b></a>"},
        {"<a>\n<b>\n", "<a><b/></a>"},
        {"<a x=\"1\" ", "<a x=\"1\"/>"},
        {"", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        QString xml;
        EXPECT_EQ(ErrorOf([&] { xml = Load(c.text)->GetXml(); }), "(no error)");
        EXPECT_EQ(xml, c.xml);
    }
}

TEST(XXmlDom, LoadErrorsKeepWhatWasLoadedBeforeThem) {
    struct Case {
        QByteArray text;
        QString message;
        QString loaded;
    };
    const Case kCases[] = {
        {"<![CDATA[x]]><a/>", "XML: неправильная конструкция в XML-документе", ""},
        {"<a><b/><!DOCTYPE d></a>", "XML: узел \"element\" не может содержать подузел \"documenttype\"",
         "<a><b/></a>"},
        {"<a><b/><c", "Ошибка в XML-документе: ожидается \">\" для открывающего тэга элемента",
         "<a><b/></a>"},
        {"<a>x</b>", "Ошибка в XML-документе: несоответствие имени закрывающего тэга имени открывающему",
         "<a>x</a>"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text.toStdString());
        const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
        EXPECT_EQ(ErrorOf([&] { LoadInto(*document, c.text); }), c.message);
        EXPECT_EQ(document->GetXml(), c.loaded);
    }
}

TEST(XXmlDom, ReaderErrorsKeepTheirClass) {
    const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
    EXPECT_THROW(LoadInto(*document, "<a x>"), EXmlReader);
}

TEST(XXmlDom, LoadingReplacesTheChildren) {
    const TRef<TXmlDDocument> document = Load("<old/>");
    const TRef<TXmlDNode> old = document->FirstChild();
    LoadInto(*document, "<new/>");
    EXPECT_EQ(document->GetXml(), "<new/>");
    // The old element lives on for whoever held it, no longer linked to the document.
    EXPECT_EQ(old->ParentNode(), nullptr);
    EXPECT_EQ(old->GetXml(), "<old/>");
}

TEST(XXmlDom, DeepNestingEndsInACleanError) {
    const int kDepth = 100000;
    const QByteArray deep = QByteArray("<a>").repeated(kDepth) + QByteArray("</a>").repeated(kDepth);
    const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
    EXPECT_EQ(ErrorOf([&] { LoadInto(*document, deep); }), "XML: слишком глубокая вложенность элементов");

    const int kAllowed = TXmlDNode::kMaxLoadDepth;
    const QByteArray allowed =
        QByteArray("<a>").repeated(kAllowed - 1) + "<a/>" + QByteArray("</a>").repeated(kAllowed - 1);
    LoadInto(*document, allowed);
    EXPECT_EQ(document->GetXml().toUtf8(), allowed);
}

TEST(XXmlDom, AppendingMovesANodeFromItsOldParent) {
    const TRef<TXmlDElement> a = MakeRef<TXmlDElement>("a");
    const TRef<TXmlDElement> b = MakeRef<TXmlDElement>("b");
    auto append = [&](const QString& name) {
        const TRef<TXmlDElement> child = MakeRef<TXmlDElement>(name);
        a->AppendChild(child.get());
        return static_cast<TXmlDNode*>(child.get());
    };
    TXmlDNode* c = append("c");
    TXmlDNode* d = append("d");
    TXmlDNode* e = append("e");

    EXPECT_EQ(b->AppendChild(d), 0);
    EXPECT_EQ(ChildNames(a.get()), (QStringList{"c", "e"}));
    EXPECT_EQ(ChildNames(b.get()), QStringList{"d"});
    EXPECT_EQ(c->NextSibling(), e);
    EXPECT_EQ(e->PreviousSibling(), c);
    EXPECT_EQ(d->ParentNode(), b.get());
    EXPECT_EQ(d->PreviousSibling(), nullptr);
    EXPECT_EQ(d->NextSibling(), nullptr);
    EXPECT_EQ(d->RefCount(), 1);

    // Within one parent: the index counts after the node has left its old place.
    EXPECT_EQ(a->InsertChild(e, 0), 0);
    EXPECT_EQ(ChildNames(a.get()), (QStringList{"e", "c"}));
    EXPECT_EQ(a->AppendChild(e), 1);
    EXPECT_EQ(ChildNames(a.get()), (QStringList{"c", "e"}));
    EXPECT_EQ(a->InsertChild(d, 1), 1);
    EXPECT_EQ(ChildNames(a.get()), (QStringList{"c", "d", "e"}));
    EXPECT_EQ(d->PreviousSibling(), c);
    EXPECT_EQ(d->NextSibling(), e);
    EXPECT_FALSE(b->HasChildNodes());
    EXPECT_EQ(a->FirstChild(), c);
    EXPECT_EQ(a->LastChild(), e);
}

TEST(XXmlDom, InsertionRules) {
    using Make = std::function<TRef<TXmlDNode>()>;
    const Make element = [] { return MakeRef<TXmlDElement>("e"); };
    const Make attribute = [] { return MakeRef<TXmlDAttribute>("a", "v"); };
    const Make text = [] { return MakeRef<TXmlDText>("t"); };
    const Make cdata = [] { return MakeRef<TXmlDCDATASection>("c"); };
    const Make comment = [] { return MakeRef<TXmlDComment>("c"); };
    const Make instruction = [] { return MakeRef<TXmlDProcessingInstruction>("p", "d"); };
    const Make doctype = [] { return MakeRef<TXmlDDocumentType>("d"); };
    const Make document = [] { return MakeRef<TXmlDDocument>(); };
    struct Case {
        Make parent;
        Make child;
        QString message;
    };
    const Case kCases[] = {
        {element, element, "(no error)"},
        {element, text, "(no error)"},
        {element, cdata, "(no error)"},
        {element, comment, "(no error)"},
        {element, instruction, "(no error)"},
        {element, doctype, "XML: узел \"element\" не может содержать подузел \"documenttype\""},
        {element, attribute, "XML: узел \"element\" не может содержать подузел \"attribute\""},
        {element, document, "XML: узел \"element\" не может содержать подузел \"document\""},
        {document, element, "(no error)"},
        {document, doctype, "(no error)"},
        {document, comment, "(no error)"},
        {document, instruction, "(no error)"},
        {document, text, "XML: узел \"document\" не может содержать подузел \"text\""},
        {document, cdata, "XML: узел \"document\" не может содержать подузел \"cdatasection\""},
        {doctype, attribute, "(no error)"},
        {doctype, document, "(no error)"},
        {text, element, "XML: узел \"text\" не может содержать подузлы"},
        {cdata, text, "XML: узел \"cdatasection\" не может содержать подузлы"},
        {comment, text, "XML: узел \"comment\" не может содержать подузлы"},
        {instruction, text, "XML: узел \"processinginstruction\" не может содержать подузлы"},
        {attribute, text, "XML: узел \"attribute\" не может содержать подузлы"},
    };
    for (const Case& c : kCases) {
        const TRef<TXmlDNode> parent = c.parent();
        const TRef<TXmlDNode> child = c.child();
        SCOPED_TRACE((parent->NodeTypeName() + " <- " + child->NodeTypeName()).toStdString());
        EXPECT_EQ(ErrorOf([&] { parent->AppendChild(child.get()); }), c.message);
        EXPECT_EQ(parent->HasChildNodes(), c.message == "(no error)");
    }
}

TEST(XXmlDom, NodeListsGuardTheirLinks) {
    const TRef<TXmlDElement> a = MakeRef<TXmlDElement>("a");
    const TRef<TXmlDElement> b = MakeRef<TXmlDElement>("b");
    a->AppendChild(b.get());
    EXPECT_EQ(ErrorOf([&] { a->ChildNodes()->Insert(b.get(), -1); }),
              "XML: Нельзя добавлять узел в два списка");

    // An attribute belongs to its element without being one of its children.
    a->SetAttribute("x", "1");
    const TRef<TXmlDDocumentType> doctype = MakeRef<TXmlDDocumentType>("d");
    EXPECT_EQ(ErrorOf([&] { doctype->AppendChild(a->GetAttributeNode("x")); }),
              "XML: Не найден подузел для удаления");

    // A node inside itself could never be freed or written out.
    const QString intoItself = "XML: узел не может быть вставлен в самого себя или в свой подузел";
    EXPECT_EQ(ErrorOf([&] { a->AppendChild(a.get()); }), intoItself);
    EXPECT_EQ(ErrorOf([&] { b->AppendChild(a.get()); }), intoItself);
    EXPECT_EQ(b->ParentNode(), a.get());
    EXPECT_EQ(ErrorOf([&] { a->InsertChild(MakeRef<TXmlDText>("t").get(), 5); }),
              "List index out of bounds (5)");
    EXPECT_EQ(ChildNames(a.get()), QStringList{"b"});
}

TEST(XXmlDom, ValueAndTextOfEachKind) {
    const QString kValue = "XML: Нельзя изменять значение узла ";
    const QString kText = "XML: Нельзя изменять текст узла ";
    const TRef<TXmlDDocument> document = MakeRef<TXmlDDocument>();
    const TRef<TXmlDDocumentType> doctype = MakeRef<TXmlDDocumentType>("d");
    const TRef<TXmlDElement> element = MakeRef<TXmlDElement>("e");
    EXPECT_EQ(ErrorOf([&] { element->SetNodeValue("v"); }), kValue + "\"element\"");
    EXPECT_EQ(ErrorOf([&] { document->SetNodeValue("v"); }), kValue + "\"document\"");
    EXPECT_EQ(ErrorOf([&] { document->SetText("v"); }), kText + "\"document\"");
    EXPECT_EQ(ErrorOf([&] { doctype->SetNodeValue("v"); }), kValue + "\"documenttype\"");
    EXPECT_EQ(ErrorOf([&] { doctype->SetText("v"); }), kText + "\"documenttype\"");

    element->AppendChild(MakeRef<TXmlDElement>("x").get());
    element->AppendChild(MakeRef<TXmlDComment>("c").get());
    element->SetText("a<b");
    EXPECT_EQ(element->GetXml(), "<e>a&lt;b</e>");
    EXPECT_EQ(element->GetNodeValue(), "");

    element->SetAttribute("k", "1");
    element->SetAttribute("k", "\"2\"");
    EXPECT_EQ(element->Attributes()->Count(), 1);
    TXmlDAttribute* attribute = element->GetAttributeNode("k");
    EXPECT_EQ(attribute->ParentNode(), element.get());
    EXPECT_EQ(attribute->GetXml(), "k=\"&quot;2&quot;\"");
    attribute->SetText("3");
    EXPECT_EQ(attribute->GetNodeValue(), "3");
    EXPECT_EQ(element->GetAttributeNode("K"), nullptr);

    const TRef<TXmlDProcessingInstruction> instruction = MakeRef<TXmlDProcessingInstruction>("p", "d");
    instruction->SetNodeValue("e");
    EXPECT_EQ(instruction->GetXml(), "<?p e?>");
    EXPECT_EQ(instruction->GetNodeName(), "p");

    const QStringList names = {document->GetNodeName(), MakeRef<TXmlDText>("")->GetNodeName(),
                               MakeRef<TXmlDCDATASection>("")->GetNodeName(),
                               MakeRef<TXmlDComment>("")->GetNodeName(), doctype->GetNodeName()};
    EXPECT_EQ(names, (QStringList{"#document", "#text", "#cdata-section", "#comment", "d"}));
}

TEST(XXmlDom, ClonesAreShallow) {
    const TRef<TXmlDDocument> document = Load("<a x=\"1\"><b/>t</a>", true);
    const TRef<TXmlDNode> element = document->DocumentElement()->CloneNode();
    EXPECT_EQ(element->GetXml(), "<a/>");
    EXPECT_EQ(element->ParentNode(), nullptr);

    const TRef<TXmlDNode> documentClone = document->CloneNode();
    EXPECT_FALSE(documentClone->HasChildNodes());
    EXPECT_TRUE(static_cast<TXmlDDocument*>(documentClone.get())->PreserveWhiteSpace());

    const TRef<TXmlDNode> kNodes[] = {
        MakeRef<TXmlDAttribute>("n", "v&"), MakeRef<TXmlDText>("t<"),
        MakeRef<TXmlDCDATASection>("c]"),   MakeRef<TXmlDComment>("m-"),
        MakeRef<TXmlDDocumentType>("d"),    MakeRef<TXmlDProcessingInstruction>("p", "q"),
    };
    for (const TRef<TXmlDNode>& node : kNodes) {
        const TRef<TXmlDNode> clone = node->CloneNode();
        SCOPED_TRACE(node->NodeTypeName().toStdString());
        EXPECT_NE(clone.get(), node.get());
        EXPECT_EQ(clone->NodeType(), node->NodeType());
        EXPECT_EQ(clone->GetXml(), node->GetXml());
    }
}

TEST(XXmlDom, ANodeHeldElsewhereOutlivesItsDocument) {
    TRef<TXmlDDocument> document = Load("<a><b>t</b><c/></a>");
    const TRef<TXmlDNode> b = document->DocumentElement()->FirstChild();
    const TRef<TXmlDNodeList> list = document->DocumentElement()->ChildNodes();
    document.Reset();
    EXPECT_EQ(b->ParentNode(), nullptr);
    EXPECT_EQ(b->NextSibling(), nullptr);
    EXPECT_EQ(b->GetXml(), "<b>t</b>");
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->Owner(), nullptr);
}
