-- The database of a school's register and its two roles, run by psql as the server's
-- superuser with the variables dbname, owner, owner_password, clerk, clerk_password.
-- The owner makes and upgrades the register's tables; the clerk, under whom the
-- workstations work, reads and writes their rows and can neither make nor drop tables
-- (restoring a backup sets where the ids go on, hence UPDATE on the sequences).
CREATE ROLE :"owner" LOGIN PASSWORD :'owner_password';
CREATE ROLE :"clerk" LOGIN PASSWORD :'clerk_password';
CREATE DATABASE :"dbname" OWNER :"owner" ENCODING 'UTF8' TEMPLATE template0;
\connect :dbname
ALTER SCHEMA public OWNER TO :"owner";
REVOKE ALL ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO :"clerk";
ALTER DEFAULT PRIVILEGES FOR ROLE :"owner" IN SCHEMA public
    GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO :"clerk";
ALTER DEFAULT PRIVILEGES FOR ROLE :"owner" IN SCHEMA public
    GRANT USAGE, SELECT, UPDATE ON SEQUENCES TO :"clerk";
