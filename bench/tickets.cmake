# The ticket browser and the stock window on a decade of tickets: browser
# opening against a small site, "last", resident memory, and the stock
# statements against the server's own time for them.
vello_add_bench(bench_tickets ${VELLO_HERE}/tickets.cpp)
