#include "StatementHandle.h"

using namespace Firebird;

StatementHandle::~StatementHandle()
{
    if (!statement_)
        return;
    if (!state_->connected()) {
        statement_->release();
        return;
    }
    CheckStatusWrapper status(state_->client->master->getStatus());
    statement_->free(&status);
    if (status.getState() & IStatus::STATE_ERRORS)
        statement_->release();
    status.dispose();
}
