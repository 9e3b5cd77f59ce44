# bench_report: building the weighing ticket's preview layout.
vello_add_bench(bench_report ${VELLO_HERE}/report_ticket.cpp)
