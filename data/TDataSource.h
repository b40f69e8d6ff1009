#pragma once
// The link between a dataset and the controls that show it. A data source points at
// one dataset (or none) and passes the dataset's notifications on, as events for
// simple handlers and as calls on the data links of controls (a grid model, a memo).
//
//   OnStateChange  the dataset's state changed (also open, close, a new dataset)
//   OnDataChange   what a control shows may differ: a field (given) or the whole
//                  record, after a scroll, a record or dataset change, a new layout
//   OnScroll       the current record moved
//   OnUpdateData   write pending edits into the fields now

#include <cstdint>
#include <functional>
#include <vector>

#include "data/TDataSet.h"

namespace brevant {

class TDataSource;

/// What a control implements to follow a data source. Every call comes on the
/// dataset's thread, after the dataset changed.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    /// The data source's dataset, when there is one.
    TDataSet* DataSet() const;
    /// The dataset exists and is open.
    bool Active() const;

    /// Opened, closed or replaced by another dataset: every field pointer is stale.
    virtual void ActiveChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    /// Records or their order changed.
    virtual void DataSetChanged() {}
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    /// One field (or, with nullptr, the whole current record) changed.
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void EditingChanged() {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    TDataSource* FDataSource = nullptr;
    bool FActive = false;
    bool FEditing = false;
};

class TDataSource {
public:
    using TNotifyEvent = std::function<void(TDataSource& sender)>;
    using TDataChangeEvent = std::function<void(TDataSource& sender, TField* field)>;

    TDataSource() = default;
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    /// dsInactive without an open dataset.
    TDataSetState State() const { return FDataSet ? FDataSet->State() : dsInactive; }
    /// A disabled source passes nothing on.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    /// Controls may put the dataset into edit state when the user types.
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnScroll;
    TNotifyEvent OnUpdateData;

    // --- for the dataset and the links ---
    void DataEvent(TDataEvent event, std::intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    /// The dataset is being destroyed.
    void DataSetDestroyed();

private:
    /// Links whose view of the dataset (open or not, editing or not) is out of date hear it.
    void UpdateLinkStates();

    TDataSet* FDataSet = nullptr;
    bool FDataSetActive = false;  // as the last notification left it
    bool FEnabled = true;
    bool FAutoEdit = true;
    std::vector<TDataLink*> FDataLinks;
};

}  // namespace brevant
