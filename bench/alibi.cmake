# vello-alibi verify over 1,000,000 log entries beside a plain SELECT of the
# same rows by the mariadb client; peak resident memory of the check.
vello_add_bench(bench_alibi_verify ${VELLO_HERE}/alibi_verify.cpp)
