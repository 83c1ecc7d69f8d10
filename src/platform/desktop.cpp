// Desktop back end: in progress.
