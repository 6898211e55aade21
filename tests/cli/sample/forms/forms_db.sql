-- The database of the form and list test of the sample site: a column of each kind whose
-- handling a form can get wrong, and tables of a few hundred rows sorted by a repeated value.
DROP DATABASE IF EXISTS `tolvex_forms`;
CREATE DATABASE `tolvex_forms` CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
USE `tolvex_forms`;

CREATE TABLE `film` (
  `film_id` INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  `title` VARCHAR(60) NOT NULL,
  `rental_rate` DECIMAL(5,2) NOT NULL DEFAULT 4.99,
  `rental_duration` TINYINT UNSIGNED NOT NULL DEFAULT 3,
  `release_year` YEAR NULL,
  `special_features` SET('Trailers','Commentaries','Deleted Scenes') NULL,
  `language` VARCHAR(20) NULL DEFAULT 'English',
  `shown_on` DATE NULL,
  `last_update` TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP
) ENGINE=InnoDB;
INSERT INTO `film` VALUES
  (1, 'Academy Dinosaur', 0.99, 6, 2006, 'Deleted Scenes,Trailers', 'Italian', '2026-05-02', '2020-05-17 05:03:42'),
  (2, 'Ace Goldfinger', 4.99, 3, NULL, NULL, NULL, NULL, '2020-02-15 05:03:07');

-- A table with a column that takes no NULL, has no default and is shown by no page.
CREATE TABLE `store` (
  `store_id` INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  `name` VARCHAR(40) NOT NULL,
  `location` GEOMETRY NOT NULL
) ENGINE=InnoDB;
INSERT INTO `store` VALUES (1, 'Main Street', POINT(1, 2));

-- 300 rentals of 7 customers: a list sorted by the customer has long runs of equal values.
CREATE TABLE `rental` (
  `rental_id` INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  `customer_id` INT NOT NULL,
  `amount` DECIMAL(5,2) NOT NULL,
  `rental_date` DATETIME NOT NULL
) ENGINE=InnoDB;
INSERT INTO `rental` (`rental_id`, `customer_id`, `amount`, `rental_date`)
  SELECT `seq`, `seq` * 37 % 7 + 1, `seq` % 3 + 0.99, '2026-03-01 10:00:00' + INTERVAL `seq` * 97 MINUTE FROM `seq_1_to_300`;

-- A view without a key over the same rows.
CREATE VIEW `rental_view` AS
  SELECT `rental_id`, `customer_id`, `amount`, `rental_date` FROM `rental`;
