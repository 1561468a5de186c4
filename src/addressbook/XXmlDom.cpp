#include "addressbook/XXmlDom.h"

#include <QIODevice>
#include <vector>

#include "addressbook/XXml.h"

namespace {

const QString kCannotSetValue = QStringLiteral("XML: Нельзя изменять значение узла ");
const QString kCannotSetText = QStringLiteral("XML: Нельзя изменять текст узла ");
const QString kNodePrefix = QStringLiteral("XML: узел ");
const QString kCannotContain = QStringLiteral(" не может содержать подузел ");
const QString kCannotContainAny = QStringLiteral(" не может содержать подузлы");
const QString kChildNotFound = QStringLiteral("XML: Не найден подузел для удаления");
const QString kTwoLists = QStringLiteral("XML: Нельзя добавлять узел в два списка");
const QString kBadConstruct = QStringLiteral("XML: неправильная конструкция в XML-документе");
const QString kTagNamesDiffer = QStringLiteral("XML: Имена открывающего и закрывающего тэгов не совпадают");
const QString kIntoItself =
    QStringLiteral("XML: узел не может быть вставлен в самого себя или в свой подузел");
const QString kTooDeep = QStringLiteral("XML: слишком глубокая вложенность элементов");

QString Quoted(const QString& text) { return u'"' + text + u'"'; }

// Only blanks and control characters count, as the indentation of a file is made of nothing else.
bool IsBlankText(const QString& text) {
    for (const QChar ch : text)
        if (ch.unicode() > 32) return false;
    return true;
}

}  // namespace

// ---- TXmlDNodeList ----

TXmlDNodeList::TXmlDNodeList(TXmlDNode* owner, bool owning) : owner_(owner), owning_(owning) {}

TXmlDNodeList::~TXmlDNodeList() { Clear(); }

int TXmlDNodeList::Insert(TXmlDNode* node, int index) {
    if (owning_ && node->parent_) throw EXmlError(kTwoLists);
    if (index == -1) index = Count();
    nodes_.Insert(index, node);
    if (owning_) {
        node->parent_ = owner_;
        node->previousSibling_ = index > 0 ? nodes_.Item(index - 1) : nullptr;
        node->nextSibling_ = index + 1 < Count() ? nodes_.Item(index + 1) : nullptr;
        if (node->previousSibling_) node->previousSibling_->nextSibling_ = node;
        if (node->nextSibling_) node->nextSibling_->previousSibling_ = node;
    }
    return index;
}

void TXmlDNodeList::Remove(int index) {
    TXmlDNode* node = nodes_.Item(index);
    // A list that does not own its nodes has no say in their links: they belong to the list that
    // does.
    if (owning_) {
        if (node->previousSibling_) node->previousSibling_->nextSibling_ = node->nextSibling_;
        if (node->nextSibling_) node->nextSibling_->previousSibling_ = node->previousSibling_;
        node->parent_ = nullptr;
        node->previousSibling_ = nullptr;
        node->nextSibling_ = nullptr;
    }
    nodes_.Delete(index);
}

// Through Remove, so that a node someone still holds is left without links to this list's owner.
void TXmlDNodeList::Clear() {
    while (Count() > 0) Remove(Count() - 1);
}

void TXmlDNodeList::Orphan() {
    Clear();
    owner_ = nullptr;
}

TXmlDNode* TXmlDNamedNodeMap::FindByName(const QString& name, int* index) const {
    for (int i = 0; i < Count(); ++i) {
        if (Item(i)->QualifiedName() == name) {
            if (index) *index = i;
            return Item(i);
        }
    }
    if (index) *index = -1;
    return nullptr;
}

// ---- TXmlDNode ----

TXmlDNode::TXmlDNode(TXmlDNodeType nodeType)
    : nodeType_(nodeType),
      childNodes_(new TXmlDNodeList(this, true)),
      attributes_(new TXmlDNamedNodeMap(this, true)) {}

TXmlDNode::~TXmlDNode() {
    // The lists may be held elsewhere and outlive this node; neither they nor the nodes in them
    // may point back at it.
    childNodes_->Orphan();
    attributes_->Orphan();
}

void TXmlDNode::UpdateQualifiedName() {
    qualifiedName_ = GetNodeName();
    const qsizetype colon = qualifiedName_.indexOf(u':');
    prefix_ = colon < 0 ? QString() : qualifiedName_.left(colon);
    localName_ = colon < 0 ? qualifiedName_ : qualifiedName_.mid(colon + 1);
}

QString TXmlDNode::NodeTypeName() const {
    static const char* const kNames[] = {
        "element",
        "attribute",
        "text",
        "cdatasection",
        "entityreference",
        "entity",
        "processinginstruction",
        "comment",
        "document",
        "documenttype",
        "documentfragment",
        "notation",
    };
    return QString::fromLatin1(kNames[nodeType_]);
}

TXmlDNode* TXmlDNode::FirstChild() const { return HasChildNodes() ? childNodes_->Item(0) : nullptr; }

TXmlDNode* TXmlDNode::LastChild() const {
    return HasChildNodes() ? childNodes_->Item(childNodes_->Count() - 1) : nullptr;
}

QString TXmlDNode::ChildrenText() const {
    QString text;
    for (int i = 0; i < childNodes_->Count(); ++i) {
        const TXmlDNode* child = childNodes_->Item(i);
        const TXmlDNodeType type = child->NodeType();
        if (type == ntElement || type == ntText || type == ntCDATASection) text += child->GetText();
    }
    return text;
}

QString TXmlDNode::ChildrenXml() const {
    QString xml;
    for (int i = 0; i < childNodes_->Count(); ++i) xml += childNodes_->Item(i)->GetXml();
    return xml;
}

void TXmlDNode::RefuseValue() const { throw EXmlError(kCannotSetValue + Quoted(NodeTypeName())); }

void TXmlDNode::RefuseText() const { throw EXmlError(kCannotSetText + Quoted(NodeTypeName())); }

bool TXmlDNode::Accepts(const TXmlDNode* child) const {
    const TXmlDNodeType type = child->NodeType();
    switch (nodeType_) {
        case ntElement:
            return type == ntElement || type == ntText || type == ntCDATASection ||
                   type == ntProcessingInstruction || type == ntComment;
        case ntDocument:
            return type == ntElement || type == ntProcessingInstruction || type == ntComment ||
                   type == ntDocumentType;
        default:
            return true;
    }
}

int TXmlDNode::InsertChild(TXmlDNode* node, int index) {
    if (!node) throw EXmlError(kChildNotFound);
    switch (nodeType_) {
        case ntAttribute:
        case ntText:
        case ntCDATASection:
        case ntComment:
        case ntProcessingInstruction:
            throw EXmlError(kNodePrefix + Quoted(NodeTypeName()) + kCannotContainAny);
        default:
            break;
    }
    if (!Accepts(node))
        throw EXmlError(kNodePrefix + Quoted(NodeTypeName()) + kCannotContain + Quoted(node->NodeTypeName()));
    // A node inside itself would own itself: it could never be freed and writing it out would
    // never end.
    for (const TXmlDNode* up = this; up; up = up->parent_)
        if (up == node) throw EXmlError(kIntoItself);

    // The old parent's list may hold the only reference.
    const TRef<TXmlDNode> hold(node);
    if (TXmlDNode* parent = node->parent_) {
        const int at = parent->childNodes_->IndexOf(node);
        if (at < 0) throw EXmlError(kChildNotFound);
        parent->childNodes_->Remove(at);
    }
    return childNodes_->Insert(node, index);
}

TXmlDNode* TXmlDNode::FindChild(const QString& name) const {
    for (int i = 0; i < childNodes_->Count(); ++i)
        if (childNodes_->Item(i)->QualifiedName() == name) return childNodes_->Item(i);
    return nullptr;
}

void TXmlDNode::ClearChildren() { childNodes_->Clear(); }

void TXmlDNode::ClearAttributes() { attributes_->Clear(); }

void TXmlDNode::LoadFromStream(QIODevice& stream) {
    ClearChildren();
    ClearAttributes();
    const auto* document = nodeType_ == ntDocument ? static_cast<const TXmlDDocument*>(this) : nullptr;
    const bool preserveWhiteSpace = document && document->PreserveWhiteSpace();

    TXmlReader reader;
    reader.Open(&stream, false);
    reader.Read();
    // The open elements, innermost last; kept here rather than on the call stack, so that a deeply
    // nested text meets a clean error instead of a stack overflow.
    std::vector<TXmlDElement*> open;
    while (!reader.Eof()) {
        TXmlDNode* parent = open.empty() ? this : open.back();
        const TXmlTokenKind kind = reader.TokenKind();
        switch (kind) {
            case xtProcessingInstruction:
                parent->AppendChild(MakeRef<TXmlDProcessingInstruction>(reader.Name(), reader.Value()).get());
                break;
            case xtDocumentType:
                parent->AppendChild(MakeRef<TXmlDDocumentType>(reader.Name()).get());
                break;
            case xtComment:
                parent->AppendChild(MakeRef<TXmlDComment>(reader.Value()).get());
                break;
            case xtStartTag: {
                if (static_cast<int>(open.size()) >= kMaxLoadDepth) throw EXmlError(kTooDeep);
                const TRef<TXmlDElement> element = MakeRef<TXmlDElement>(reader.Name());
                parent->AppendChild(element.get());
                open.push_back(element.get());
                break;
            }
            case xtCData:
                if (open.empty()) throw EXmlError(kBadConstruct);
                parent->AppendChild(MakeRef<TXmlDCDATASection>(reader.Value()).get());
                break;
            case xtAttribute:
                if (open.empty()) throw EXmlError(kBadConstruct);
                open.back()->SetAttribute(reader.Name(), XmlUnescapeText(reader.Value()));
                break;
            case xtText: {
                if (open.empty()) throw EXmlError(kBadConstruct);
                const QString& value = reader.Value();
                const bool indentation = !preserveWhiteSpace &&
                                         (value.contains(u'\r') || value.contains(u'\n')) &&
                                         IsBlankText(value);
                if (!indentation) parent->AppendChild(MakeRef<TXmlDText>(XmlUnescapeText(value)).get());
                break;
            }
            case xtEndTag:
                if (open.empty()) throw EXmlError(kBadConstruct);
                if (reader.Name() != open.back()->Name()) throw EXmlError(kTagNamesDiffer);
                open.pop_back();
                break;
            default:
                throw EXmlError(kBadConstruct);
        }
        reader.Read();
    }
}

// ---- Elements and attributes ----

TXmlDElement::TXmlDElement(const QString& name) : TXmlDNode(ntElement), name_(name) { UpdateQualifiedName(); }

void TXmlDElement::SetAttribute(const QString& name, const QString& value) {
    TXmlDNode* attribute = Attributes()->FindByName(name);
    if (!attribute) {
        const TRef<TXmlDAttribute> created = MakeRef<TXmlDAttribute>(name, QString());
        Attributes()->Insert(created.get(), -1);
        attribute = created.get();
    }
    attribute->SetNodeValue(value);
}

TXmlDAttribute* TXmlDElement::GetAttributeNode(const QString& name) const {
    return static_cast<TXmlDAttribute*>(Attributes()->FindByName(name));
}

void TXmlDElement::SetText(const QString& text) {
    ClearChildren();
    AppendChild(MakeRef<TXmlDText>(text).get());
}

QString TXmlDElement::GetXml() const {
    QString xml = u'<' + name_;
    for (int i = 0; i < Attributes()->Count(); ++i) xml += u' ' + Attributes()->Item(i)->GetXml();
    if (!HasChildNodes()) return xml + QStringLiteral("/>");
    return xml + u'>' + ChildrenXml() + QStringLiteral("</") + name_ + u'>';
}

TRef<TXmlDNode> TXmlDElement::CloneNode() const { return MakeRef<TXmlDElement>(name_); }

TXmlDAttribute::TXmlDAttribute(const QString& name, const QString& value)
    : TXmlDNode(ntAttribute), name_(name), value_(value) {
    UpdateQualifiedName();
}

QString TXmlDAttribute::GetXml() const { return name_ + u'=' + Quoted(XmlEscapeText(value_)); }

TRef<TXmlDNode> TXmlDAttribute::CloneNode() const { return MakeRef<TXmlDAttribute>(name_, value_); }

// ---- Character data ----

TXmlDComment::TXmlDComment(const QString& data) : TXmlDCharacterData(ntComment, data) {
    UpdateQualifiedName();
}

QString TXmlDComment::GetXml() const { return QStringLiteral("<!--") + Data() + QStringLiteral("-->"); }

TRef<TXmlDNode> TXmlDComment::CloneNode() const { return MakeRef<TXmlDComment>(Data()); }

TXmlDText::TXmlDText(const QString& data) : TXmlDCharacterData(ntText, data) { UpdateQualifiedName(); }

QString TXmlDText::GetXml() const { return XmlEscapeText(Data()); }

TRef<TXmlDNode> TXmlDText::CloneNode() const { return MakeRef<TXmlDText>(Data()); }

TXmlDCDATASection::TXmlDCDATASection(const QString& data) : TXmlDText(ntCDATASection, data) {
    UpdateQualifiedName();
}

QString TXmlDCDATASection::GetXml() const {
    return QStringLiteral("<![CDATA[") + Data() + QStringLiteral("]]>");
}

TRef<TXmlDNode> TXmlDCDATASection::CloneNode() const { return MakeRef<TXmlDCDATASection>(Data()); }

TXmlDProcessingInstruction::TXmlDProcessingInstruction(const QString& target, const QString& data)
    : TXmlDNode(ntProcessingInstruction), target_(target), data_(data) {
    UpdateQualifiedName();
}

QString TXmlDProcessingInstruction::GetXml() const {
    return QStringLiteral("<?") + target_ + u' ' + data_ + QStringLiteral("?>");
}

TRef<TXmlDNode> TXmlDProcessingInstruction::CloneNode() const {
    return MakeRef<TXmlDProcessingInstruction>(target_, data_);
}

// ---- Document type and document ----

TXmlDDocumentType::TXmlDDocumentType(const QString& name)
    : TXmlDNode(ntDocumentType),
      name_(name),
      entities_(new TXmlDNamedNodeMap(this, true)),
      notations_(new TXmlDNamedNodeMap(this, true)) {
    UpdateQualifiedName();
}

TXmlDDocumentType::~TXmlDDocumentType() {
    entities_->Orphan();
    notations_->Orphan();
}

QString TXmlDDocumentType::GetXml() const {
    return QStringLiteral("<!DOCTYPE ") + name_ + QStringLiteral(" [") + ChildrenXml() + QStringLiteral("]>");
}

TRef<TXmlDNode> TXmlDDocumentType::CloneNode() const { return MakeRef<TXmlDDocumentType>(name_); }

TXmlDDocument::TXmlDDocument() : TXmlDNode(ntDocument) { UpdateQualifiedName(); }

TXmlDElement* TXmlDDocument::DocumentElement() const {
    for (int i = 0; i < ChildNodes()->Count(); ++i)
        if (ChildNodes()->Item(i)->NodeType() == ntElement)
            return static_cast<TXmlDElement*>(ChildNodes()->Item(i));
    return nullptr;
}

TRef<TXmlDNode> TXmlDDocument::CloneNode() const {
    const TRef<TXmlDDocument> clone = MakeRef<TXmlDDocument>();
    clone->SetPreserveWhiteSpace(preserveWhiteSpace_);
    return clone;
}
