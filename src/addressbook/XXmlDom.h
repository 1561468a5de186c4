#pragma once

#include <QString>

#include "addressbook/XUtils.h"

class QIODevice;
class TXmlDNode;
class TXmlDNodeList;
class TXmlDNamedNodeMap;

enum TXmlDNodeType : quint8 {
    ntElement = 0,
    ntAttribute = 1,
    ntText = 2,
    ntCDATASection = 3,
    ntEntityReference = 4,
    ntEntity = 5,
    ntProcessingInstruction = 6,
    ntComment = 7,
    ntDocument = 8,
    ntDocumentType = 9,
    ntDocumentFragment = 10,
    ntNotation = 11,
};

// The nodes of a list, held by counted references. An owning list is a node's own child list or
// attribute map: it makes its nodes children of that node and links them as siblings.
class TXmlDNodeList : public TRefObject {
public:
    TXmlDNodeList(TXmlDNode* owner, bool owning);
    ~TXmlDNodeList() override;

    int Count() const { return nodes_.Count(); }
    TXmlDNode* Item(int index) const { return nodes_.Item(index); }
    int IndexOf(const TXmlDNode* node) const { return nodes_.IndexOf(node); }
    // Index -1 appends; answers the index the node took.
    int Insert(TXmlDNode* node, int index);
    void Remove(int index);
    void Clear();

    TXmlDNode* Owner() const { return owner_; }
    // Called by a dying owner: its nodes must not keep a link to it.
    void Orphan();

private:
    TXmlDNode* owner_;
    bool owning_;
    TRefObjectList<TXmlDNode> nodes_;
};

class TXmlDNamedNodeMap : public TXmlDNodeList {
public:
    using TXmlDNodeList::TXmlDNodeList;
    TXmlDNode* FindByName(const QString& name, int* index = nullptr) const;
};

class TXmlDNode : public TRefObject {
public:
    ~TXmlDNode() override;

    TXmlDNodeType NodeType() const { return nodeType_; }
    QString NodeTypeName() const;
    const QString& QualifiedName() const { return qualifiedName_; }
    const QString& Prefix() const { return prefix_; }
    const QString& LocalName() const { return localName_; }

    TXmlDNodeList* ChildNodes() const { return childNodes_.get(); }
    TXmlDNamedNodeMap* Attributes() const { return attributes_.get(); }
    TXmlDNode* ParentNode() const { return parent_; }
    TXmlDNode* PreviousSibling() const { return previousSibling_; }
    TXmlDNode* NextSibling() const { return nextSibling_; }
    TXmlDNode* FirstChild() const;
    TXmlDNode* LastChild() const;
    bool HasChildNodes() const { return childNodes_->Count() > 0; }

    virtual QString GetNodeName() const = 0;
    virtual QString GetNodeValue() const = 0;
    virtual void SetNodeValue(const QString& value) = 0;
    virtual QString GetText() const = 0;
    virtual void SetText(const QString& text) = 0;
    virtual QString GetXml() const = 0;
    virtual TRef<TXmlDNode> CloneNode() const = 0;

    // Moves the node here from wherever it was; index -1 appends. Answers the index it took.
    int InsertChild(TXmlDNode* node, int index);
    int AppendChild(TXmlDNode* node) { return InsertChild(node, -1); }
    TXmlDNode* FindChild(const QString& name) const;
    void ClearChildren();
    void ClearAttributes();
    // Replaces the children by the nodes of an XML text read as UTF-8.
    void LoadFromStream(QIODevice& stream);

    // Loaded elements nest at most this deep, so that walking the tree cannot exhaust the stack.
    static constexpr int kMaxLoadDepth = 1000;

protected:
    explicit TXmlDNode(TXmlDNodeType nodeType);
    // Called by each class once its name is known.
    void UpdateQualifiedName();

    QString ChildrenText() const;
    QString ChildrenXml() const;
    [[noreturn]] void RefuseValue() const;
    [[noreturn]] void RefuseText() const;

private:
    friend class TXmlDNodeList;
    bool Accepts(const TXmlDNode* child) const;

    TXmlDNodeType nodeType_;
    QString qualifiedName_;
    QString prefix_;
    QString localName_;
    TRef<TXmlDNodeList> childNodes_;
    TRef<TXmlDNamedNodeMap> attributes_;
    TXmlDNode* parent_ = nullptr;
    TXmlDNode* previousSibling_ = nullptr;
    TXmlDNode* nextSibling_ = nullptr;
};

class TXmlDElement : public TXmlDNode {
public:
    explicit TXmlDElement(const QString& name);

    const QString& Name() const { return name_; }
    void SetAttribute(const QString& name, const QString& value);
    class TXmlDAttribute* GetAttributeNode(const QString& name) const;

    QString GetNodeName() const override { return name_; }
    QString GetNodeValue() const override { return {}; }
    void SetNodeValue(const QString&) override { RefuseValue(); }
    QString GetText() const override { return ChildrenText(); }
    void SetText(const QString& text) override;
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;

private:
    QString name_;
};

class TXmlDAttribute : public TXmlDNode {
public:
    TXmlDAttribute(const QString& name, const QString& value);

    const QString& Name() const { return name_; }
    const QString& Value() const { return value_; }

    QString GetNodeName() const override { return name_; }
    QString GetNodeValue() const override { return value_; }
    void SetNodeValue(const QString& value) override { value_ = value; }
    QString GetText() const override { return value_; }
    void SetText(const QString& text) override { value_ = text; }
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;

private:
    QString name_;
    QString value_;
};

class TXmlDCharacterData : public TXmlDNode {
public:
    const QString& Data() const { return data_; }

    QString GetNodeValue() const override { return data_; }
    void SetNodeValue(const QString& value) override { data_ = value; }
    QString GetText() const override { return data_; }
    void SetText(const QString& text) override { data_ = text; }

protected:
    TXmlDCharacterData(TXmlDNodeType nodeType, const QString& data) : TXmlDNode(nodeType), data_(data) {}

private:
    QString data_;
};

class TXmlDComment : public TXmlDCharacterData {
public:
    explicit TXmlDComment(const QString& data);
    QString GetNodeName() const override { return QStringLiteral("#comment"); }
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;
};

class TXmlDText : public TXmlDCharacterData {
public:
    explicit TXmlDText(const QString& data);
    QString GetNodeName() const override { return QStringLiteral("#text"); }
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;

protected:
    TXmlDText(TXmlDNodeType nodeType, const QString& data) : TXmlDCharacterData(nodeType, data) {}
};

class TXmlDCDATASection : public TXmlDText {
public:
    explicit TXmlDCDATASection(const QString& data);
    QString GetNodeName() const override { return QStringLiteral("#cdata-section"); }
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;
};

class TXmlDProcessingInstruction : public TXmlDNode {
public:
    TXmlDProcessingInstruction(const QString& target, const QString& data);

    const QString& Target() const { return target_; }
    const QString& Data() const { return data_; }

    QString GetNodeName() const override { return target_; }
    QString GetNodeValue() const override { return data_; }
    void SetNodeValue(const QString& value) override { data_ = value; }
    QString GetText() const override { return data_; }
    void SetText(const QString& text) override { data_ = text; }
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;

private:
    QString target_;
    QString data_;
};

class TXmlDDocumentType : public TXmlDNode {
public:
    explicit TXmlDDocumentType(const QString& name);
    ~TXmlDDocumentType() override;

    const QString& Name() const { return name_; }
    TXmlDNamedNodeMap* Entities() const { return entities_.get(); }
    TXmlDNamedNodeMap* Notations() const { return notations_.get(); }

    QString GetNodeName() const override { return name_; }
    QString GetNodeValue() const override { return {}; }
    void SetNodeValue(const QString&) override { RefuseValue(); }
    QString GetText() const override { return {}; }
    void SetText(const QString&) override { RefuseText(); }
    QString GetXml() const override;
    TRef<TXmlDNode> CloneNode() const override;

private:
    QString name_;
    TRef<TXmlDNamedNodeMap> entities_;
    TRef<TXmlDNamedNodeMap> notations_;
};

class TXmlDDocument : public TXmlDNode {
public:
    TXmlDDocument();

    // When false, text that is only blanks around a line break is indentation and is not loaded.
    bool PreserveWhiteSpace() const { return preserveWhiteSpace_; }
    void SetPreserveWhiteSpace(bool preserve) { preserveWhiteSpace_ = preserve; }
    TXmlDElement* DocumentElement() const;

    QString GetNodeName() const override { return QStringLiteral("#document"); }
    QString GetNodeValue() const override { return {}; }
    void SetNodeValue(const QString&) override { RefuseValue(); }
    QString GetText() const override { return ChildrenText(); }
    void SetText(const QString&) override { RefuseText(); }
    QString GetXml() const override { return ChildrenXml(); }
    TRef<TXmlDNode> CloneNode() const override;

private:
    bool preserveWhiteSpace_ = false;
};
