# Both download clients against the reference server's file routes.
vellam_add_server_suite(${target} ${area_dir})
