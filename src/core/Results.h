// The results the SCRUTEL command gives the host.
#pragma once

namespace scrutel {

enum CommandResult : int {
    CommandSucceeded = 0,
    // The command line ended the command: a mistake in it, or a help text that ends with 1.
    CommandBadArguments = 1,
    // A file specification selected nothing or failed, or a digest list check found a fault.
    CommandFailed = 2,
    // The user interrupted the command.
    CommandInterrupted = 3,
    // The host passed no argument text at all (the system's invalid-parameter code).
    CommandNoArgumentText = 87,
};

} // namespace scrutel
