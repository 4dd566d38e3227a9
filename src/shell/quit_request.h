// Signals from outside the game and what they do to it.
#pragma once

// Ignores SIGPIPE and SIGXFSZ: a write to a closed pipe (`vorlin | head -1`)
// or past a file size limit fails with an error the writer handles instead of
// killing the game.
void ignore_write_signals();
