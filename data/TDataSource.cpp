#include "data/TDataSource.h"

#include <algorithm>

namespace brevant {

// ---------------------------------------------------------------- TDataLink

TDataLink::~TDataLink() {
    if (FDataSource) FDataSource->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == FDataSource) return;
    if (FDataSource) FDataSource->RemoveDataLink(this);
    if (source) source->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

bool TDataLink::Active() const {
    TDataSet* ds = DataSet();
    return FDataSource && FDataSource->Enabled() && ds && ds->Active();
}

// ---------------------------------------------------------------- TDataSource

TDataSource::~TDataSource() {
    for (TDataLink* link : std::vector<TDataLink*>(FDataLinks)) link->FDataSource = nullptr;
    FDataLinks.clear();
    if (FDataSet) FDataSet->RemoveDataSource(this);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet) return;
    if (FDataSet) FDataSet->RemoveDataSource(this);
    FDataSet = dataSet;
    if (FDataSet) FDataSet->AddDataSource(this);
    FDataSetActive = FDataSet && FDataSet->Active();
    // Whatever the links held belongs to the old dataset.
    for (TDataLink* link : std::vector<TDataLink*>(FDataLinks)) {
        link->FActive = link->Active();
        link->FEditing = link->FActive && (State() == dsEdit || State() == dsInsert);
        link->ActiveChanged();
    }
    if (OnStateChange) OnStateChange(*this);
    if (OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateLinkStates();
}

void TDataSource::DataSetDestroyed() {
    FDataSet = nullptr;
    FDataSetActive = false;
    UpdateLinkStates();
}

void TDataSource::AddDataLink(TDataLink* link) {
    if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end()) return;
    FDataLinks.push_back(link);
    link->FDataSource = this;
    link->FActive = link->Active();
    link->FEditing = link->FActive && (State() == dsEdit || State() == dsInsert);
    if (link->FActive) link->ActiveChanged();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    std::erase(FDataLinks, link);
    if (link->FDataSource == this) link->FDataSource = nullptr;
    link->FActive = false;
}

void TDataSource::UpdateLinkStates() {
    for (TDataLink* link : std::vector<TDataLink*>(FDataLinks)) {
        if (link->FDataSource != this) continue;
        bool active = link->Active();
        bool editing = active && (State() == dsEdit || State() == dsInsert);
        if (active != link->FActive) {
            link->FActive = active;
            link->FEditing = editing;
            link->ActiveChanged();
        } else if (editing != link->FEditing) {
            link->FEditing = editing;
            link->EditingChanged();
        }
    }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
    if (!FEnabled) return;
    TField* field = event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr;
    switch (event) {
        case deUpdateState: {
            UpdateLinkStates();
            if (OnStateChange) OnStateChange(*this);
            // Opening or closing changes what every control shows.
            bool active = FDataSet && FDataSet->Active();
            if (active != FDataSetActive) {
                FDataSetActive = active;
                if (OnDataChange) OnDataChange(*this, nullptr);
            }
            return;
        }
        case deUpdateRecord:
            for (TDataLink* l : std::vector<TDataLink*>(FDataLinks)) l->UpdateData();
            if (OnUpdateData) OnUpdateData(*this);
            return;
        case deCheckBrowseMode:
            return;
        case deFieldChange:
        case deRecordChange:
            for (TDataLink* l : std::vector<TDataLink*>(FDataLinks))
                if (l->FActive) l->RecordChanged(field);
            break;
        case deDataSetChange:
            for (TDataLink* l : std::vector<TDataLink*>(FDataLinks))
                if (l->FActive) l->DataSetChanged();
            break;
        case deDataSetScroll:
            for (TDataLink* l : std::vector<TDataLink*>(FDataLinks))
                if (l->FActive) l->DataSetScrolled(static_cast<int>(info));
            if (OnScroll) OnScroll(*this);
            break;
        case deLayoutChange:
            for (TDataLink* l : std::vector<TDataLink*>(FDataLinks))
                if (l->FActive) l->LayoutChanged();
            break;
    }
    if (OnDataChange) OnDataChange(*this, field);
}

}  // namespace brevant
