#include "data/dataset/ClientDataSet.h"

#include <algorithm>

#include "data/dataset/ClientDataSetImpl.h"
#include "data/dataset/Errors.h"
#include "data/dataset/ParamScan.h"
#include "data/dataset/RecordProvider.h"
#include "data/dataset/TableEngine.h"

namespace {
constexpr const char *kClosedDataSet = "Cannot perform this operation on a closed dataset";
constexpr const char *kNotEditing = "Dataset not in edit or insert mode";
constexpr const char *kReadOnlyDataSet = "Cannot modify a read-only dataset";
constexpr const char *kEmptyDataSet = "Cannot perform this operation on an empty dataset";
constexpr const char *kNoProvider = "Missing data provider or data packet";

// Field names match without regard to the case of ASCII letters.
bool SameName(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}
}  // namespace

// ---- inner helpers ----

void TClientDataSet::Impl::Announce(DataEvent event, long info, TField *field) {
    if (disableCount > 0) {
        // Held back, but the windows still follow the current row, as they
        // would have had the links heard every step.
        if (event == DataEvent::LayoutChanged) layoutPending = true;
        for (DataSetObserver *observer : observers) observer->FollowQuietly(event, info);
        return;
    }
    // By index: a link's handler may add or remove sources.
    for (size_t i = 0; i < observers.size(); ++i) observers[i]->DataSetEvent(event, info, field);
}

void TClientDataSet::Impl::CheckActive() const {
    if (state == DataSetState::Inactive) throw EDatabaseError(Prefixed(kClosedDataSet));
}

void TClientDataSet::Impl::CheckEditing() const {
    if (state != DataSetState::Edit && state != DataSetState::Insert) throw EDatabaseError(Prefixed(kNotEditing));
}

void TClientDataSet::Impl::FinishPendingEdit() {
    if (state != DataSetState::Edit && state != DataSetState::Insert) return;
    if (modified)
        self->Post();
    else
        self->Cancel();
}

void TClientDataSet::Impl::BuildFields() {
    fields.clear();
    order.clear();
    const auto &columns = engine->Columns();
    fields.reserve(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        const ColumnDesc &col = columns[c];
        auto field = std::make_unique<TField>(self, col.name, col.type, col.size, static_cast<int>(c));
        field->SetFlags(col.readOnly, col.required);
        field->SetNumeric(col.precision, col.scale);
        field->SetHidden(col.hidden);
        order.push_back(field.get());
        fields.push_back(std::move(field));
    }
    buffer.assign(columns.size(), FieldValue{});
}

void TClientDataSet::Impl::LoadBuffer(int row) {
    // Texts are copied into the buffer's own strings, which keep their room
    // from row to row: walking a million rows with Edit and Post allocates
    // nothing here.
    const auto &columns = engine->Columns();
    for (size_t c = 0; c < columns.size(); ++c) {
        FieldValue &slot = buffer[c];
        const int col = static_cast<int>(c);
        switch (columns[c].type) {
            case DataType::String:
            case DataType::Memo:
            case DataType::Blob:
            case DataType::Unknown:
                slot.isNull = engine->IsNull(row, col);
                slot.s.assign(engine->Text(row, col));
                break;
            default:
                slot = engine->Value(row, col);
                break;
        }
    }
}

void TClientDataSet::Impl::DropContent() {
    order.clear();
    fields.clear();
    engine.reset();
    buffer.clear();
    modified = false;
    cur = -1;
    bof = eof = true;
}

// ---- life cycle ----

TClientDataSet::TClientDataSet(std::string name) : TComponent(std::move(name)), d_(std::make_unique<Impl>()) {
    d_->self = this;
}

TClientDataSet::~TClientDataSet() {
    // The provider may already be gone when the window is taken down, so
    // only the links hear of the closing.
    if (Active()) {
        d_->state = DataSetState::Inactive;
        d_->Announce(DataEvent::ActiveChanged);
    }
    for (DataSetObserver *observer : d_->observers) observer->DataSetGone();
    d_->DropContent();
}

void TClientDataSet::SetProviderName(std::string name) { d_->providerName = std::move(name); }
const std::string &TClientDataSet::ProviderName() const { return d_->providerName; }
void TClientDataSet::SetProviderResolver(std::function<RecordProvider *(const std::string &)> resolver) {
    d_->resolver = std::move(resolver);
}

void TClientDataSet::SetCommandText(std::string text) {
    if (text == d_->commandText) return;
    d_->commandText = std::move(text);
    d_->paramNames.clear();
    for (const ParamMarker &marker : ScanParamMarkers(d_->commandText))
        if (std::find(d_->paramNames.begin(), d_->paramNames.end(), marker.name) == d_->paramNames.end())
            d_->paramNames.push_back(marker.name);
}
const std::string &TClientDataSet::CommandText() const { return d_->commandText; }
const std::vector<std::string> &TClientDataSet::ParamNames() const { return d_->paramNames; }

void TClientDataSet::Open() {
    if (Active()) return;
    RecordProvider *provider = d_->resolver && !d_->providerName.empty() ? d_->resolver(d_->providerName) : nullptr;
    if (!provider) throw EDatabaseError(Prefixed(kNoProvider));
    std::unique_ptr<TableEngine> engine = provider->GetRecords(d_->commandText, d_->paramNames);
    if (!engine) throw EDatabaseError(Prefixed(kNoProvider));
    OpenOn(std::move(engine));
}

void TClientDataSet::OpenOn(std::unique_ptr<TableEngine> engine) {
    d_->engine = std::move(engine);
    d_->BuildFields();
    int rows = d_->engine->RecordCount();
    d_->cur = rows > 0 ? 0 : -1;
    d_->bof = true;
    d_->eof = rows == 0;
    d_->modified = false;
    d_->state = DataSetState::Browse;
    d_->Announce(DataEvent::ActiveChanged);
}

void TClientDataSet::Close() {
    if (!Active()) return;
    // The links hear of the closing while the fields still exist, so a grid
    // can let go of them before they are freed.
    d_->state = DataSetState::Inactive;
    d_->Announce(DataEvent::ActiveChanged);
    d_->DropContent();
    if (d_->resolver && !d_->providerName.empty())
        if (RecordProvider *provider = d_->resolver(d_->providerName)) provider->Reset();
}

void TClientDataSet::CreateDataSet(const std::vector<ColumnDesc> &columns) {
    Close();
    OpenOn(std::make_unique<TableEngine>(columns));
}

bool TClientDataSet::Active() const { return d_->state != DataSetState::Inactive; }
DataSetState TClientDataSet::State() const { return d_->state; }
const TableEngine *TClientDataSet::Engine() const { return d_->engine.get(); }

// ---- moving ----

int TClientDataSet::RecordCount() const {
    d_->CheckActive();
    return d_->engine->RecordCount();
}

int TClientDataSet::DisplayRowCount() const { return Active() ? d_->DisplayRows() : 0; }

void TClientDataSet::ReadPosition(RowPosition &at) const {
    at.active = d_->state != DataSetState::Inactive;
    at.rows = at.active ? d_->DisplayRows() : 0;
    at.cur = at.active ? d_->cur : -1;
}

void TClientDataSet::First() {
    d_->CheckActive();
    d_->FinishPendingEdit();
    int rows = d_->EngineRows();
    d_->cur = rows > 0 ? 0 : -1;
    d_->bof = true;
    d_->eof = rows == 0;
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::FromFirst));
}

void TClientDataSet::Last() {
    d_->CheckActive();
    d_->FinishPendingEdit();
    int rows = d_->EngineRows();
    d_->cur = rows - 1;
    d_->bof = rows == 0;
    d_->eof = true;
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::ToLast));
}

void TClientDataSet::Next() { MoveBy(1); }
void TClientDataSet::Prior() { MoveBy(-1); }

int TClientDataSet::MoveBy(int distance) {
    d_->CheckActive();
    d_->FinishPendingEdit();
    if (distance == 0) return 0;
    int rows = d_->EngineRows();
    if (rows == 0) {
        (distance > 0 ? d_->eof : d_->bof) = true;
        return 0;
    }
    long target = static_cast<long>(d_->cur) + distance;
    target = std::clamp(target, 0L, static_cast<long>(rows - 1));
    int moved = static_cast<int>(target - d_->cur);
    d_->bof = distance < 0 && moved != distance;
    d_->eof = distance > 0 && moved != distance;
    d_->cur = static_cast<int>(target);
    if (moved != 0) d_->Announce(DataEvent::DataSetScroll, moved);
    return moved;
}

bool TClientDataSet::AtEnd() const { return d_->eof; }
bool TClientDataSet::AtStart() const { return d_->bof; }
int TClientDataSet::RecNo() const { return Active() ? d_->cur + 1 : 0; }
int TClientDataSet::CurrentRow() const { return Active() ? d_->cur : -1; }

void TClientDataSet::SetRecNo(int recNo) {
    d_->CheckActive();
    d_->FinishPendingEdit();
    // A number outside the rows is refused by the engine, with its own text.
    d_->engine->RowId(recNo - 1);
    if (recNo - 1 == d_->cur) return;
    d_->cur = recNo - 1;
    d_->bof = d_->eof = false;
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::Centered));
}

// ---- editing ----

bool TClientDataSet::Modified() const { return d_->modified; }
bool TClientDataSet::CanModify() const { return Active() && !d_->readOnly; }
void TClientDataSet::SetReadOnly(bool readOnly) { d_->readOnly = readOnly; }
bool TClientDataSet::ReadOnly() const { return d_->readOnly; }

void TClientDataSet::Edit() {
    d_->CheckActive();
    if (d_->state == DataSetState::Edit || d_->state == DataSetState::Insert) return;
    if (!CanModify()) throw EDatabaseError(Prefixed(kReadOnlyDataSet));
    if (d_->EngineRows() == 0) {
        Insert();
        return;
    }
    d_->LoadBuffer(d_->cur);
    d_->modified = false;
    d_->state = DataSetState::Edit;
    d_->Announce(DataEvent::UpdateState);
}

void TClientDataSet::BeginNewRow(int position, WindowReload placement) {
    if (!CanModify()) throw EDatabaseError(Prefixed(kReadOnlyDataSet));
    d_->rowBeforeInsert = d_->cur;
    for (FieldValue &value : d_->buffer) value = FieldValue{};
    d_->cur = position;
    d_->modified = false;
    d_->bof = d_->eof = false;
    d_->state = DataSetState::Insert;
    // The window first makes room for the new row, then the state shows.
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(placement));
    d_->Announce(DataEvent::UpdateState);
}

void TClientDataSet::Insert() {
    d_->CheckActive();
    d_->FinishPendingEdit();
    BeginNewRow(std::max(d_->cur, 0), WindowReload::KeepPosition);
}

void TClientDataSet::Append() {
    d_->CheckActive();
    d_->FinishPendingEdit();
    BeginNewRow(d_->EngineRows(), WindowReload::ToLast);
}

void TClientDataSet::Post() {
    if (d_->state != DataSetState::Edit && d_->state != DataSetState::Insert) return;
    for (const auto &field : d_->fields)
        if (field->Required() && !field->ReadOnly() && d_->buffer[field->Column()].isNull)
            throw EDatabaseError("Field '" + field->FieldName() + "' must have a value");
    // Each value was verified by the engine when it was set; an edit stores
    // only the fields that differ from the row.
    if (d_->state == DataSetState::Edit)
        d_->engine->WriteFields(d_->cur, d_->engine->ChangedFields(d_->cur, d_->buffer), d_->buffer);
    else
        d_->engine->InsertRecord(d_->cur, d_->buffer);
    d_->modified = false;
    d_->state = DataSetState::Browse;
    // The window is reloaded before the state shows, so a link never sees
    // the current row outside its window.
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::KeepPosition));
    d_->Announce(DataEvent::UpdateState);
}

void TClientDataSet::Cancel() {
    if (d_->state == DataSetState::Insert) {
        int rows = d_->EngineRows();
        d_->cur = std::min(d_->rowBeforeInsert, rows - 1);
        if (d_->cur < 0 && rows > 0) d_->cur = 0;
        d_->bof = d_->eof = rows == 0;
    } else if (d_->state != DataSetState::Edit) {
        return;
    }
    d_->modified = false;
    d_->state = DataSetState::Browse;
    // The window is reloaded before the state shows, so a link never sees
    // the current row outside its window.
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::KeepPosition));
    d_->Announce(DataEvent::UpdateState);
}

void TClientDataSet::Delete() {
    d_->CheckActive();
    if (d_->state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (d_->EngineRows() == 0) throw EDatabaseError(Prefixed(kEmptyDataSet));
    if (!CanModify()) throw EDatabaseError(Prefixed(kReadOnlyDataSet));
    bool wasEditing = d_->state == DataSetState::Edit;
    d_->engine->DeleteRecord(d_->cur);
    d_->modified = false;
    d_->state = DataSetState::Browse;
    int rows = d_->EngineRows();
    if (d_->cur >= rows) d_->cur = rows - 1;
    d_->bof = d_->eof = rows == 0;
    d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::KeepPosition));
    if (wasEditing) d_->Announce(DataEvent::UpdateState);
}

// ---- fields ----

TField *TClientDataSet::FindField(const std::string &name) const {
    for (const auto &field : d_->fields)
        if (SameName(field->FieldName(), name)) return field.get();
    return nullptr;
}

TField *TClientDataSet::FieldNamed(const std::string &name) const {
    if (TField *field = FindField(name)) return field;
    throw EDatabaseError(Prefixed("Field '" + name + "' not found"));
}

int TClientDataSet::FieldCount() const { return static_cast<int>(d_->order.size()); }

TField *TClientDataSet::Field(int position) const {
    if (position < 0 || position >= FieldCount())
        throw EListError("List index out of bounds (" + std::to_string(position) + ")");
    return d_->order[position];
}

// ---- announcements ----

void TClientDataSet::DisableControls() {
    if (d_->disableCount++ == 0) {
        d_->wasActiveAtDisable = Active();
        d_->stateAtDisable = d_->state;
        d_->layoutPending = false;
    }
}

void TClientDataSet::EnableControls() {
    if (d_->disableCount == 0 || --d_->disableCount > 0) return;
    if (Active() != d_->wasActiveAtDisable) {
        d_->Announce(DataEvent::ActiveChanged);
        return;
    }
    if (d_->state != d_->stateAtDisable) d_->Announce(DataEvent::UpdateState);
    if (!Active()) return;
    if (d_->layoutPending)
        d_->Announce(DataEvent::LayoutChanged);
    else
        d_->Announce(DataEvent::DataSetChanged, static_cast<long>(WindowReload::KeepPosition));
    d_->layoutPending = false;
}

bool TClientDataSet::ControlsDisabled() const { return d_->disableCount > 0; }

void TClientDataSet::AddObserver(DataSetObserver *observer) {
    auto &list = d_->observers;
    if (observer && std::find(list.begin(), list.end(), observer) == list.end()) list.push_back(observer);
}

void TClientDataSet::RemoveObserver(DataSetObserver *observer) {
    auto &list = d_->observers;
    list.erase(std::remove(list.begin(), list.end(), observer), list.end());
}

void TClientDataSet::OpenOnTable(std::unique_ptr<TableEngine> table) {
    Close();
    OpenOn(std::move(table));
}

void TClientDataSet::CheckBrowseMode() { d_->FinishPendingEdit(); }
