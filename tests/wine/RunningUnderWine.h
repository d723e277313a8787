#pragma once
// Whether this Windows program runs under wine rather than on Windows, for the few answers in
// which the two differ.
bool runningUnderWine();
