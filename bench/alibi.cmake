# vello-alibi verify over 1,000,000 log entries beside a plain SELECT of the
# same rows by the mariadb client; peak resident memory of the check.
vello_add_bench(bench_alibi_verify ${VELLO_HERE}/alibi_verify.cpp)
# The IN store with its alibi log entry (typed, or read from the scale) beside
# the store without the log; the chain checked over every entry at the end.
vello_add_bench(bench_alibi_hook ${VELLO_HERE}/alibi_hook.cpp)
# The alibi window's list of a day of 100,000 entries beside a day of 100.
vello_add_bench(bench_alibi_window ${VELLO_HERE}/alibi_window.cpp)
