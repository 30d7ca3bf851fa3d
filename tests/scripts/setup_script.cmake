# The setup script's ways to root, run against fake sudo, su, apt-get and dpkg-query.
add_test(NAME setup_script COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/setup_test.sh ${CMAKE_SOURCE_DIR}/scripts/setup.sh)
set_tests_properties(setup_script PROPERTIES LABELS unit)
