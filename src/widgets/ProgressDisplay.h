#pragma once

class QProgressBar;
class Session;

// Makes bar follow the session's long work entry by entry. The work runs
// on the user-interface thread, so the bar is repainted on the spot, at
// most a few dozen times a second.
void followProgress(QProgressBar *bar, Session &session);
