# Packages against the reference server (reports, pictures).
vellam_add_server_suite(${target} ${area_dir})
