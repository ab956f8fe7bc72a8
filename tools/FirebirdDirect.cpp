#include "tools/FirebirdDirect.h"

#include <cstring>

#include "tools/FirebirdDirectImpl.h"

namespace batchdel {

using namespace Firebird;

namespace {

constexpr unsigned char kUtf8CharSetId = 4;

IXpbBuilder *MakeDpb(DirectDatabase::Impl &impl, ThrowStatusWrapper &status, const DbLogin &login) {
    IXpbBuilder *dpb = impl.util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&status, isc_dpb_user_name, login.user.c_str());
    dpb->insertString(&status, isc_dpb_password, login.password.c_str());
    dpb->insertString(&status, isc_dpb_lc_ctype, "UTF8");
    return dpb;
}

}  // namespace

DirectDatabase::Impl::Impl()
    : master(fb_get_master_interface()), util(master->getUtilInterface()), provider(master->getDispatcher()) {}

DirectDatabase::Impl::~Impl() {
    if (attachment) {
        ThrowStatusWrapper status(master->getStatus());
        try {
            attachment->detach(&status);
        } catch (const FbException &) {
            attachment->release();
        }
        status.dispose();
    }
    provider->release();
}

void DirectDatabase::Impl::Rethrow(const FbException &e) const {
    char text[2048];
    util->formatStatus(text, sizeof text, e.getStatus());
    throw DirectDbError(text);
}

DirectDatabase::DirectDatabase(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DirectDatabase::DirectDatabase(DirectDatabase &&) noexcept = default;
DirectDatabase &DirectDatabase::operator=(DirectDatabase &&) noexcept = default;
DirectDatabase::~DirectDatabase() = default;

DirectDatabase DirectDatabase::Create(const std::string &database, const DbLogin &login) {
    auto impl = std::make_unique<Impl>();
    ThrowStatusWrapper status(impl->master->getStatus());
    IXpbBuilder *dpb = nullptr;
    try {
        dpb = MakeDpb(*impl, status, login);
        dpb->insertString(&status, isc_dpb_set_db_charset, "UTF8");
        dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
        dpb->insertInt(&status, isc_dpb_page_size, 8192);
        dpb->insertInt(&status, isc_dpb_force_write, 0);
        impl->attachment = impl->provider->createDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                          dpb->getBuffer(&status));
    } catch (const FbException &e) {
        if (dpb) dpb->dispose();
        status.dispose();
        impl->Rethrow(e);
    }
    dpb->dispose();
    status.dispose();
    return DirectDatabase(std::move(impl));
}

DirectDatabase DirectDatabase::Open(const std::string &database, const DbLogin &login) {
    auto impl = std::make_unique<Impl>();
    ThrowStatusWrapper status(impl->master->getStatus());
    IXpbBuilder *dpb = nullptr;
    try {
        dpb = MakeDpb(*impl, status, login);
        impl->attachment = impl->provider->attachDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                          dpb->getBuffer(&status));
    } catch (const FbException &e) {
        if (dpb) dpb->dispose();
        status.dispose();
        impl->Rethrow(e);
    }
    dpb->dispose();
    status.dispose();
    return DirectDatabase(std::move(impl));
}

void DirectDatabase::SetForcedWrites(const std::string &database, bool on, const DbLogin &login) {
    Impl impl;
    ThrowStatusWrapper status(impl.master->getStatus());
    IXpbBuilder *dpb = nullptr;
    try {
        dpb = MakeDpb(impl, status, login);
        dpb->insertInt(&status, isc_dpb_force_write, on ? 1 : 0);
        impl.attachment = impl.provider->attachDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                        dpb->getBuffer(&status));
    } catch (const FbException &e) {
        if (dpb) dpb->dispose();
        status.dispose();
        impl.Rethrow(e);
    }
    dpb->dispose();
    status.dispose();
}

void DirectDatabase::Execute(const std::vector<std::string> &statements) {
    ThrowStatusWrapper status(impl_->master->getStatus());
    ITransaction *tra = nullptr;
    try {
        tra = impl_->attachment->startTransaction(&status, 0, nullptr);
        for (const std::string &sql : statements)
            impl_->attachment->execute(&status, tra, 0, sql.c_str(), 3, nullptr, nullptr, nullptr, nullptr);
        tra->commit(&status);
        tra = nullptr;
    } catch (const FbException &e) {
        if (tra) {
            ThrowStatusWrapper s2(impl_->master->getStatus());
            try {
                tra->rollback(&s2);
            } catch (const FbException &) {
                tra->release();
            }
            s2.dispose();
        }
        status.dispose();
        impl_->Rethrow(e);
    }
    status.dispose();
}

std::vector<std::vector<std::string>> DirectDatabase::Query(const std::string &sql) {
    std::vector<std::vector<std::string>> rows;
    ThrowStatusWrapper status(impl_->master->getStatus());
    ITransaction *tra = nullptr;
    IStatement *stmt = nullptr;
    IMessageMetadata *described = nullptr;
    IMetadataBuilder *builder = nullptr;
    IMessageMetadata *asText = nullptr;
    IResultSet *rs = nullptr;
    try {
        tra = impl_->attachment->startTransaction(&status, 0, nullptr);
        stmt = impl_->attachment->prepare(&status, tra, 0, sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
        described = stmt->getOutputMetadata(&status);
        const unsigned count = described->getCount(&status);
        // Every column is asked for as UTF8 text: the engine converts numbers,
        // dates and text blobs itself, the same way isql shows them.
        builder = described->getBuilder(&status);
        for (unsigned i = 0; i < count; ++i) {
            const unsigned type = described->getType(&status, i) & ~1u;
            unsigned length = described->getLength(&status, i);
            if (type == SQL_BLOB)
                length = 16000;
            else if (type != SQL_TEXT && type != SQL_VARYING)
                length = 64;
            builder->setType(&status, i, SQL_VARYING + 1);
            builder->setSubType(&status, i, 0);
            builder->setScale(&status, i, 0);
            builder->setCharSet(&status, i, kUtf8CharSetId);
            builder->setLength(&status, i, length);
        }
        asText = builder->getMetadata(&status);
        std::vector<unsigned char> buffer(asText->getMessageLength(&status));
        rs = stmt->openCursor(&status, tra, nullptr, nullptr, asText, 0);
        while (rs->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
            std::vector<std::string> row;
            for (unsigned i = 0; i < count; ++i) {
                const unsigned char *nullFlag = buffer.data() + asText->getNullOffset(&status, i);
                if (*reinterpret_cast<const short *>(nullFlag)) {
                    row.emplace_back(kDirectNullText);
                    continue;
                }
                const unsigned char *data = buffer.data() + asText->getOffset(&status, i);
                unsigned short len;
                std::memcpy(&len, data, sizeof len);
                row.emplace_back(reinterpret_cast<const char *>(data) + sizeof len, len);
            }
            rows.push_back(std::move(row));
        }
        rs->close(&status);
        rs = nullptr;
        stmt->free(&status);
        stmt = nullptr;
        tra->commit(&status);
        tra = nullptr;
    } catch (const FbException &e) {
        ThrowStatusWrapper s2(impl_->master->getStatus());
        try {
            if (rs) rs->release();
            if (tra) tra->rollback(&s2);
        } catch (const FbException &) {}
        s2.dispose();
        if (stmt) stmt->release();
        if (asText) asText->release();
        if (builder) builder->release();
        if (described) described->release();
        status.dispose();
        impl_->Rethrow(e);
    }
    asText->release();
    builder->release();
    described->release();
    status.dispose();
    return rows;
}

}  // namespace batchdel
