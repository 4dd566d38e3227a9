// Engine start-up and shutdown: the library, screen, back buffer, data archive
// and the one 60 Hz timer, brought up and closed in order.
#pragma once

// Brings everything up in order; returns only on success.
void init_engine();
// Writes the settings and closes everything; called once at the very end.
void shutdown_engine();
// Frees the song box, the back buffer and the data archive, leaving each
// pointer null (shutdown_engine's last step, and the soak's between runs).
void release_engine_resources();
void load_data();
