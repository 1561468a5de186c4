#pragma once

#include <QVariant>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/data/DataSet.h"

class TDataLink;

// Connects data-aware controls to a dataset and hands them the dataset's notifications.
class TDataSource {
public:
    TDataSource() = default;
    explicit TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;
    ~TDataSource();

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    TDataSetState State() const { return dataSet_ ? dataSet_->State() : dsInactive; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // After every change of data or position (field is the changed field, else null).
    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnStateChange;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, intptr_t info);
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<TDataLink*> links_;
};

// A control's view of a dataset through a data source: a window of BufferCount records around
// the cursor (the rows a grid shows), and the notifications a control reacts to. A grid paints
// row i by setting ActiveRecord to i, reading the fields, and setting it back.
class TDataLink {
public:
    TDataLink() = default;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;
    virtual ~TDataLink();

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }

    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    // The records in the window (fewer than BufferCount near the end of a short dataset).
    int RecordCount() const;
    // The cursor's row within the window, or the row fields read from after SetActiveRecord.
    int ActiveRecord() const;
    void SetActiveRecord(int record);
    // Position (0-based, in the dataset's order) of the window's first record.
    int FirstRecord() const { return first_; }
    // Moves the window so that the cursor's record stands at row activeRecord (as far as the
    // data allows), for a grid that restores a saved screen position.
    void PlaceActiveRecord(int activeRecord);

    bool Eof() const { return DataSet() && DataSet()->Eof(); }
    bool Bof() const { return DataSet() && DataSet()->Bof(); }
    int MoveBy(int distance) { return DataSet() ? DataSet()->MoveBy(distance) : 0; }
    // Calls UpdateData when the control holds a changed value (before the dataset posts).
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    // distance: how many rows the window moved (positive towards the end).
    virtual void DataSetScrolled(int) { DataSetChanged(); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField*) {}
    virtual void EditingChanged() {}
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    // Keeps the cursor inside the window, moving the window as little as possible; answers how
    // far it moved.
    int AdjustWindow();

    TDataSource* dataSource_ = nullptr;
    int bufferCount_ = 1;
    int first_ = 0;
    bool active_ = false;
    bool editing_ = false;
};
