#pragma once

// Measurements shared by the benchmarks.
namespace BenchSupport {

// True when the audio server that bench/run starts answers (PULSE_SERVER): without one libvlc
// drops the audio and nothing timed means anything.
bool audioServerAnswers();
// The process's resident memory, in MiB.
double rssMb();
// The most resident memory the process has held so far, in MiB.
double peakRssMb();
// CPU time the process has used (user and system), in ms.
double cpuMs();

} // namespace BenchSupport
