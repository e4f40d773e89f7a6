#pragma once

// Keeps this process's memory, which holds file passwords and deciphered records, away from other
// processes of the same user and off the disk: no core file, and no ptrace or /proc/PID/mem access.
// Called first thing by both programs' main(). False when the system refused either step.
bool HardenProcess();
