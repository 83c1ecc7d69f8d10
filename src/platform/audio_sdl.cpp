// SDL audio: in progress.
