namespace batchdel {

#pragma once
// The exit statuses of the commands, one table for both: what each means is
// written once, in CommandHelp's table, the man pages and the README.
enum CommandStatus {
    kCommandDone = 0,         // everything asked for done (or would be); or nothing to do
    kCommandPartly = 1,       // some of it not done; what was done stays done
    kCommandNothingDone = 2,  // nothing done: bad arguments, no connection, a file unread or unwritten
    kCommandBusy = 3,         // nothing done: another run holds the lock
};

}  // namespace batchdel
