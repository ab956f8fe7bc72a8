#include "data/driver/StatementHandle.h"

#include "data/driver/FbHandles.h"

using namespace Firebird;

StatementHandle::~StatementHandle() {
    if (!statement_) return;
    if (!state_->connected()) {
        statement_->release();
        return;
    }
    FbQuietStatus status(state_->client->master);
    statement_->free(&status);
    if (status.failed()) statement_->release();
}
