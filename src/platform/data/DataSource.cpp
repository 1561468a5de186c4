#include "platform/data/DataSource.h"

#include <algorithm>

// --- TDataSource

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links) link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) std::erase(dataSet_->sources_, this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->sources_.push_back(this);
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
}

void TDataSource::SetEnabled(bool enabled) {
    enabled_ = enabled;
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
}

void TDataSource::AddLink(TDataLink* link) { links_.push_back(link); }
void TDataSource::RemoveLink(TDataLink* link) { std::erase(links_, link); }

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
        if (OnStateChange) OnStateChange(this);
        return;
    }
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->DataEvent(event, info);
    if (OnDataChange && (event == deDataSetChange || event == deDataSetScroll || event == deFieldChange))
        OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
}

// --- TDataLink

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) return;
    if (dataSource_) dataSource_->RemoveLink(this);
    dataSource_ = source;
    if (dataSource_) dataSource_->AddLink(this);
    UpdateState();
}

void TDataLink::UpdateState() {
    TDataSet* ds = DataSet();
    const bool active = ds && dataSource_->Enabled() && ds->Active();
    if (active != active_) {
        active_ = active;
        first_ = 0;
        if (active_) AdjustWindow();
        ActiveChanged();
    }
    const bool editing = active_ && (ds->State() == dsEdit || ds->State() == dsInsert);
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(1, count);
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (active_) {
        AdjustWindow();
        DataSetChanged();
    }
}

int TDataLink::AdjustWindow() {
    TDataSet* ds = DataSet();
    const int old = first_;
    const int count = ds->RecordCount();
    // An appended record not yet posted stands one past the last.
    const int cur = ds->State() == dsInsert && ds->Eof() ? count : std::max(0, ds->RecNo() - 1);
    const int total = std::max(count, cur + 1);
    if (cur < first_)
        first_ = cur;
    else if (cur >= first_ + bufferCount_)
        first_ = cur - bufferCount_ + 1;
    // A window that runs past the end is pulled back so that it stays full.
    first_ = std::clamp(first_, 0, std::max(0, total - bufferCount_));
    return first_ - old;
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!active_ || !ds) return 0;
    int total = ds->RecordCount();
    if (ds->State() == dsInsert && ds->Eof()) ++total;
    return std::clamp(total - first_, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    if (!active_ || !ds) return 0;
    if (ds->DisplayPosition() >= 0) return ds->DisplayPosition() - first_;
    if (ds->State() == dsInsert && ds->Eof()) return ds->RecordCount() - first_;
    return std::max(0, ds->RecNo() - 1) - first_;
}

void TDataLink::SetActiveRecord(int record) {
    TDataSet* ds = DataSet();
    if (!active_ || !ds) return;
    const int pos = first_ + record;
    ds->SetDisplayPosition(pos == std::max(0, ds->RecNo() - 1) ? -1 : pos);
}

void TDataLink::PlaceActiveRecord(int activeRecord) {
    if (!active_) return;
    first_ = std::max(0, DataSet()->RecNo() - 1 - std::clamp(activeRecord, 0, bufferCount_ - 1));
    AdjustWindow();
    DataSetChanged();
}

void TDataLink::UpdateRecord() { UpdateData(); }

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (!active_) return;
    switch (event) {
        case deFieldChange:
        case deRecordChange:
            RecordChanged(reinterpret_cast<TField*>(info));
            break;
        case deDataSetChange:
            AdjustWindow();
            DataSetChanged();
            break;
        case deDataSetScroll:
            DataSetScrolled(AdjustWindow());
            break;
        case deLayoutChange:
            AdjustWindow();
            LayoutChanged();
            break;
        case deUpdateRecord:
            UpdateRecord();
            break;
        case deUpdateState:
            UpdateState();
            break;
    }
}
