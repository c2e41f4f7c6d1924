# The rule suites: the registry contract and path macros on the prefix's
# machine, and the offer rule engine, whose rejection reports go to the
# reference server.
vellam_add_server_suite(${target} ${area_dir})
