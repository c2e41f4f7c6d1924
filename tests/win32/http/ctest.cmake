# The JSON client and the configuration request against the reference server.
vellam_add_server_suite(${target} ${area_dir})
