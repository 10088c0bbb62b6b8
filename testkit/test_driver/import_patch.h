#pragma once
// Points one entry of the program's import address table at another function:
// how the probe answers a system call in the program's place where Wine
// cannot be made to give the answer itself.

namespace driver {

// Replaces the program's (the process's main module's) import of `function`
// from `module` (case-insensitive DLL name) by `replacement`; returns the
// function it imported before, or null when the program has no such import.
// Patching the same import twice returns the replacement itself: patch once.
void* PatchImport(const char* module, const char* function, void* replacement);

}  // namespace driver
