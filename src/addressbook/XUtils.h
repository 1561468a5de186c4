#pragma once

#include <QString>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

class QIODevice;

// The five predefined entities, and nothing else: the register's replies use no other, and an
// unknown reference is better passed on as it stands than guessed at.
QString XmlEscapeText(const QString& text);
QString XmlUnescapeText(const QString& text);

// The XML library's general error; the reader's own errors derive from it, so a caller that only
// wants to know "the text could not be read" catches this one.
class EXmlError : public std::runtime_error {
public:
    explicit EXmlError(const QString& message);
    const QString& Message() const { return message_; }

private:
    QString message_;
};

// An object shared by counted references. The count starts at 0, so whoever creates an object
// takes the first reference (usually by putting it into a TRef).
class TRefObject {
public:
    TRefObject() = default;
    TRefObject(const TRefObject&) = delete;
    TRefObject& operator=(const TRefObject&) = delete;
    virtual ~TRefObject() = default;

    // Lets the owner break links to other objects before the last reference goes.
    virtual void Dispose() {}

    void AddRef() { ++refCount_; }
    void Release();
    int RefCount() const { return refCount_; }

private:
    int refCount_ = 0;
};

// A variable holding one counted reference.
template <class T>
class TRef {
public:
    TRef() = default;
    TRef(T* object) : object_(object) {
        if (object_) object_->AddRef();
    }
    TRef(const TRef& other) : TRef(other.object_) {}
    template <class U>
    TRef(const TRef<U>& other) : TRef(other.get()) {}
    TRef(TRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~TRef() { Reset(); }

    TRef& operator=(const TRef& other) {
        Reset(other.object_);
        return *this;
    }
    TRef& operator=(TRef&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }

    // The new object gains its reference before the old one loses its own, so reassigning an
    // object that only the old one kept alive is safe.
    void Reset(T* object = nullptr) {
        if (object) object->AddRef();
        T* old = std::exchange(object_, object);
        if (old) old->Release();
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

template <class T, class... Args>
TRef<T> MakeRef(Args&&... args) {
    return TRef<T>(new T(std::forward<Args>(args)...));
}

// Stores an object in an empty variable; true when it is not null.
template <class T>
bool RefInit(TRef<T>& variable, T* object) {
    variable.Reset(object);
    return object != nullptr;
}

// False when the variable already holds the object, so callers can skip work on no change.
template <class T>
bool RefAssign(TRef<T>& variable, T* object) {
    if (variable.get() == object) return false;
    variable.Reset(object);
    return true;
}

template <class T>
void RefClear(TRef<T>& variable) {
    variable.Reset();
}

// Runs the dispose hook under a temporary reference, so the hook may drop links that lead back
// to the object without destroying it halfway through.
template <class T>
void RefDispose(TRef<T>& variable) {
    T* object = variable.get();
    if (!object) return;
    object->AddRef();
    object->Dispose();
    variable.Reset();
    object->Release();
}

// An owning list of objects: clearing it frees them from the last to the first. The hooks let a
// derived list change what "own" means.
template <class T>
class TXList {
public:
    TXList() = default;
    TXList(const TXList&) = delete;
    TXList& operator=(const TXList&) = delete;
    // A derived list clears itself in its own destructor, where its hooks still apply.
    virtual ~TXList() { Clear(); }

    int Count() const { return static_cast<int>(items_.size()); }
    T* Item(int index) const { return items_[CheckIndex(index, Count())]; }
    int IndexOf(const T* item) const {
        for (int i = 0; i < Count(); ++i)
            if (items_[i] == item) return i;
        return -1;
    }
    int Add(T* item) {
        Insert(Count(), item);
        return Count() - 1;
    }
    void Insert(int index, T* item) {
        items_.insert(items_.begin() + CheckIndex(index, Count() + 1), item);
        Inserted(item);
    }
    void Delete(int index) {
        T* item = Item(index);
        items_.erase(items_.begin() + index);
        Removed(item);
        FreeItem(item);
    }
    // Takes the item out without freeing it.
    T* Extract(int index) {
        T* item = Item(index);
        items_.erase(items_.begin() + index);
        Removed(item);
        return item;
    }
    void Clear() {
        while (!items_.empty()) Delete(Count() - 1);
    }

protected:
    virtual void Inserted(T*) {}
    virtual void Removed(T*) {}
    virtual void FreeItem(T* item) { delete item; }

    static int CheckIndex(int index, int limit) {
        if (index < 0 || index >= limit)
            throw EXmlError(QStringLiteral("List index out of bounds (%1)").arg(index));
        return index;
    }

private:
    std::vector<T*> items_;
};

// A list of counted references: it keeps each item alive for as long as it holds it.
template <class T = TRefObject>
class TRefObjectList : public TXList<T> {
public:
    ~TRefObjectList() override { this->Clear(); }

    // The list's reference would be the last one for a newly made item, so the item is handed
    // over in a reference of its own rather than as a pointer that may already be gone.
    TRef<T> Extract(int index) {
        TRef<T> item(this->Item(index));
        TXList<T>::Extract(index);
        return item;
    }

protected:
    void Inserted(T* item) override { item->AddRef(); }
    void Removed(T* item) override { item->Release(); }
    void FreeItem(T*) override {}
};

// Reads a stream byte by byte through a buffer of its own, so the parser never asks the device
// for less than a block.
class TTextReader {
public:
    static constexpr int kMaxBufferSize = 65535;

    TTextReader(QIODevice* stream, int bufferSize);

    // The next byte, or 0 at the end (a zero byte in the text reads the same: ask Eof).
    char ReadChar();
    // The next byte without taking it, or 0 at the end.
    char PeekChar();
    bool Eof();

private:
    bool Fill();

    QIODevice* stream_;
    std::unique_ptr<char[]> buffer_;
    int bufferSize_;
    int end_ = 0;
    int position_ = 0;
};
